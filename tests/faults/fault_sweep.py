#!/usr/bin/python3
"""Fails one system call at a time, each call of a clean run in turn, with strace's fault
injection, and checks that every run still ends well: a check with the right count or with an
error text, a save of the settings with every file whole (its old bytes or its new ones); never a
signal, a sanitizer report or a hang.

    fault_sweep.py CHECK_DRIVER SETTINGS_SAVER

The check runs against a private Dovecot (plain POP3, STLS and POP3S); the saves run in temporary
folders. A last row checks once, offline, in a network namespace of its own, with "localhost"
naming two addresses. Ends with what it covered: per system call, the calls a clean run makes,
the runs that failed one of them (strace marks the call INJECTED) and how those runs ended."""

import collections
import concurrent.futures
import os
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import textwrap
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
import dovecot  # noqa: E402

RUN_SECONDS = 40  # past the library's bound of about 30 s on a reply
SLOW_SECONDS = 10  # a run this long waited on a bound, not on work
SANITIZER_EXIT = 86  # a sanitizer's report ends a run so, told apart from the program's exit 1
WORKERS = max(2, os.cpu_count() or 2)
MOST_POINTS = 400  # per row and call; more calls than that are sampled, to keep within a minute
USER = "small"  # the fixture's mailbox of a few messages

# (system call, errno a real fault gives). Calls a run does not make cost nothing, so those Qt
# could use instead (send, recv, ppoll) are listed too.
CHECK_FAULTS = [
    ("socket", "EMFILE"),
    ("connect", "ECONNREFUSED"), ("connect", "ENETUNREACH"),
    ("sendto", "EPIPE"), ("sendmsg", "EPIPE"), ("write", "ECONNRESET"),
    ("recvfrom", "ECONNRESET"), ("read", "ECONNRESET"),
    ("poll", "EINTR"), ("poll", "ENOMEM"), ("ppoll", "EINTR"), ("ppoll", "ENOMEM"),
]
# Faults that last (every call fails, "when=1+"): a retry cannot help, so the check must end
# with an error text.
LASTING_CHECK_FAULTS = [("socket", "EMFILE"), ("connect", "ECONNREFUSED"),
                        ("connect", "ENETUNREACH")]
SAVE_FAULTS = [
    ("openat", "EACCES"), ("openat", "EROFS"), ("write", "ENOSPC"), ("fsync", "ENOSPC"),
    ("rename", "EROFS"), ("flock", "ENOLCK"), ("flock", "EINTR"),
]
SETTINGS_FILES = ["vbmail.ini", "★MailData/ini.ini", "★MailData/iniIdPass.ini"]

# Failures injected into the sanitizers' own calls stop the runtime, not the program: the vptr
# check of UndefinedBehaviorSanitizer asks whether memory is readable by writing it into a pipe of
# its own and wants EFAULT; a runtime that could not read its options from /proc/self/environ
# runs LeakSanitizer, which cannot work under strace, and loses the program's buffered output.
SANITIZER_OWN = re.compile(r'CHECK failed: sanitizer_posix_libcdep\.cpp:\d+ '
                           r'"\(\(14\)\) == \(\(write_errno\)\)"|'
                           r'LeakSanitizer does not work under ptrace')
# A write of the driver's own result or error text: a failure there leaves nothing to judge.
OWN_OUTPUT = re.compile(r"^\d+ +write\([12], .*\(INJECTED\)$", re.M)

scratch = None  # the sweep's temporary folder


class Run:
    """One run of a program of ours, perhaps under strace: how it ended, what it printed and what
    the sanitizers reported."""

    def __init__(self, argv, env, cwd=None, traced=False):
        reports = tempfile.mkdtemp(dir=scratch, prefix="reports-")
        started = time.monotonic()
        # A session of its own, so that a hang is ended with everything it started.
        process = subprocess.Popen(argv, cwd=cwd, env=sanitized(env, traced, reports),
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, start_new_session=True)
        try:
            out, err = process.communicate(timeout=RUN_SECONDS)
            self.status = process.returncode
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL)
            out, err = process.communicate()
            self.status = None
        self.seconds = time.monotonic() - started
        self.out = out.decode(errors="replace").strip()
        self.err = err.decode(errors="replace").strip()
        self.reports = []
        for name in sorted(os.listdir(reports)):
            with open(os.path.join(reports, name), errors="replace") as report:
                self.reports.append(report.read())
        shutil.rmtree(reports)
        self.trace = ""

    def how_it_ended(self):
        """What went wrong with how the run ended, whatever it was meant to do, or None."""
        if self.status is None:
            return f"still running after {RUN_SECONDS} s"
        if self.sanitizers_own():
            return None
        if self.reports or "runtime error: " in self.err:
            lines = "\n".join(self.reports + [self.err]).splitlines()
            return "a sanitizer report:\n      " + "\n      ".join(lines[:40])
        if self.status < 0 or self.status > 128:
            number = -self.status if self.status < 0 else self.status - 128
            return f"killed by signal {signal.Signals(number).name}"
        if self.status == SANITIZER_EXIT:
            return f"exit {SANITIZER_EXIT}, a sanitizer's, with no report"
        return None

    def skipped(self, own_output=False):
        """The failed call was not one the program makes as it works: the sanitizers' own, or
        with own_output, the driver's write of its result or error text."""
        if self.how_it_ended():
            return False
        return self.sanitizers_own() or (own_output and OWN_OUTPUT.search(self.trace) is not None)

    def sanitizers_own(self):
        """A sanitizer's own call failed, and the run said nothing else a sanitizer says."""
        said = self.reports + [self.err]
        return (any(SANITIZER_OWN.search(s) for s in said) and
                not any("Sanitizer:" in s or "runtime error: " in s for s in said))

    def loader_refused(self):
        """The dynamic loader could not load a library: the program never started."""
        return self.status == 127 and "error while loading shared libraries" in self.err


def sanitized(env, traced, reports):
    """The sanitizers' reports of a run go to a folder of its own, which the sweep reads and
    prints, so that a report fails the sweep wherever it runs (sanitized_test.sh then sees none);
    a report ends the run with SANITIZER_EXIT. LeakSanitizer stops the world through ptrace,
    which strace already holds, so traced runs leave leaks to the other tests."""
    env = dict(env)
    for name in ("ASAN_OPTIONS", "UBSAN_OPTIONS"):
        options = [env.get(name, ""), f"exitcode={SANITIZER_EXIT}", f"log_path={reports}/report"]
        if traced and name == "ASAN_OPTIONS":
            options.append("detect_leaks=0")
        env[name] = ":".join(o for o in options if o)
    return env


def call_counts(argv, env, syscalls, cwd=None):
    """The calls of each of syscalls that one run makes, and the run."""
    with tempfile.NamedTemporaryFile("r", dir=scratch) as summary:
        run = Run(["strace", "-f", "-qq", "-c", "-o", summary.name,
                   "-e", "trace=" + ",".join(syscalls), *argv], env, cwd, traced=True)
        counts = {name: 0 for name in syscalls}
        for line in summary:
            words = line.split()
            if len(words) >= 5 and words[-1] in counts and words[3].isdigit():
                counts[words[-1]] = int(words[3])
    return counts, run


def inject(argv, env, syscall, errno, when, cwd=None):
    """Runs argv with the when-th call of syscall failing with errno (strace counts per thread:
    in a run of several, each thread's when-th call fails)."""
    with tempfile.NamedTemporaryFile("r", dir=scratch, errors="replace") as log:
        run = Run(["strace", "-f", "-qq", "-o", log.name, "-e", "trace=" + syscall,
                   "-e", f"inject={syscall}:error={errno}:when={when}", *argv], env, cwd,
                  traced=True)
        run.trace = log.read()
    run.injected = "(INJECTED)" in run.trace
    return run


def reproduce(argv, syscall, errno, when):
    return (f"strace -f -qq -o /dev/null -e trace={syscall} "
            f"-e inject={syscall}:error={errno}:when={when} " + " ".join(argv))


def points_of(calls):
    """Every call number up to calls, or an even spread of MOST_POINTS of them."""
    if calls <= MOST_POINTS:
        return list(range(1, calls + 1))
    step = (calls - 1) / (MOST_POINTS - 1)
    return sorted({1 + round(i * step) for i in range(MOST_POINTS)})


class Tally:
    """Fault points and how their runs ended, per row and system call, and the failures."""
    OUTCOMES = ("result", "error", "loader", "skipped")

    def __init__(self):
        self.rows = {}
        self.failures = []
        self.slow = []
        self.lock = threading.Lock()

    def add_row(self, row, syscall, errno, calls, points):
        self.rows[(row, syscall, errno)] = dict(calls=calls, points=len(points), injected=0,
                                                **{o: 0 for o in self.OUTCOMES})

    def count(self, key, run, outcome, failure):
        with self.lock:
            entry = self.rows[key]
            entry["injected"] += run.injected
            if failure:
                self.failures.append(failure)
            elif run.injected:
                entry[outcome] += 1
            if run.seconds > SLOW_SECONDS:
                self.slow.append(run.seconds)

    def report(self):
        columns = ("calls", "points", "injected", *self.OUTCOMES)
        print(f"\n{'row':<6} {'call':<9} {'errno':<15}" + "".join(f"{c:>9}" for c in columns))
        by_call, totals = collections.Counter(), collections.Counter()
        for (row, syscall, errno), entry in self.rows.items():
            print(f"{row:<6} {syscall:<9} {errno:<15}" +
                  "".join(f"{entry[c]:>9}" for c in columns))
            by_call[syscall] += entry["points"]
            totals.update(entry)
        print("points per call: " + ", ".join(f"{k} {v}" for k, v in by_call.items() if v))
        print(f"total: {totals['points']} fault points, {totals['injected']} runs failed their "
              f"call: {totals['result']} ended with the right result, {totals['error']} with an "
              f"error, {totals['loader']} never started, {totals['skipped']} skipped; "
              f"{len(self.failures)} ended badly")
        print(textwrap.fill(
            "calls: those of one clean run; points: runs, one per call failed (every call up to "
            f"{MOST_POINTS}, an even spread beyond), or 1+: every call from the first fails; "
            "injected: runs that got as far as their failing call, which varies with timing; "
            "error: exit 1 with an error text, and for a save every file left "
            "whole; loader: it could not load a library, so the program never started; skipped: "
            "the failed call was the sanitizers' own (a probe, reading their options) or the "
            "driver's write of its result or error text", 100))
        if self.slow:
            print(f"{len(self.slow)} runs took over {SLOW_SECONDS} s, the longest "
                  f"{max(self.slow):.0f} s")


# --- the check ----------------------------------------------------------------------------------

def sweep_checks(check_driver, env, tally, pool):
    with dovecot.serving() as server:
        address = f"{server['host']}:"
        credentials = [USER, server["password"]]
        rows = [("pop3", [f"pop3://{address}{server['pop3']}", *credentials]),
                ("stls", [f"{address}{server['pop3']}", *credentials, server["ca"]]),
                ("pop3s", [f"pop3s://{address}{server['pop3s']}", *credentials, server["ca"]])]
        jobs = []
        for row, arguments in rows:
            argv = [check_driver, *arguments]
            clean = Run(argv, env)
            wanted = rf"{server['users'][USER]} messages, \d+ bytes"
            if clean.status != 0 or not re.fullmatch(wanted, clean.out):
                tally.failures.append(f"{row}: a clean check ended with {clean.status}: "
                                      f"{clean.out} {clean.err}")
                continue
            syscalls = sorted({s for s, _ in CHECK_FAULTS})
            counts, counted = call_counts(argv, env, syscalls)
            if counted.status != 0 or counted.out != clean.out:
                tally.failures.append(f"{row}: a traced check ended with {counted.status}: "
                                      f"{counted.out} {counted.err}")
                continue
            for syscall, errno in CHECK_FAULTS:
                points = points_of(counts[syscall])
                tally.add_row(row, syscall, errno, counts[syscall], points)
                jobs += [pool.submit(check_one, tally, (row, syscall, errno), argv, clean.out,
                                     env, when) for when in points]
            for syscall, errno in LASTING_CHECK_FAULTS:
                key = (row, syscall, errno + " 1+")
                tally.add_row(*key, counts[syscall], ["1+"])
                jobs.append(pool.submit(check_one, tally, key, argv, None, env, "1+"))
        for job in jobs:
            job.result()


def check_one(tally, key, argv, expected, env, when):
    syscall, errno = key[1], key[2].split()[0]
    run = inject(argv, env, syscall, errno, when)
    outcome, problem = ("skipped", None) if run.skipped(own_output=True) else \
        check_outcome(run, expected)
    failure = problem and f"{reproduce(argv, syscall, errno, when)}\n    {problem}"
    tally.count(key, run, outcome, failure)


def check_outcome(run, expected):
    """The outcome of a check (result, error, loader), or what is wrong with it."""
    if problem := run.how_it_ended():
        return None, problem
    if run.status == 0 and run.out == expected:
        return "result", None
    # The driver ends with 2 and says why when the library cannot take the CA file.
    if run.status in (1, 2) and run.err:
        return "error", None
    if run.loader_refused():
        return "loader", None
    return None, f"exit {run.status}, printed {run.out!r}, error text {run.err!r}"


# --- the settings saves -------------------------------------------------------------------------

class SaveFolder:
    """A temporary folder with a copy of the saver, whose data folder is beside it."""

    def __init__(self, saver, env):
        self.path = tempfile.mkdtemp(dir=scratch, prefix="saves-")
        self.argv = [os.path.join(self.path, "settings_saver"), "once", "b"]
        shutil.copy2(saver, self.argv[0])
        self.env = env

    def save(self, which):
        return Run([self.argv[0], "once", which], self.env, self.path)

    def contents(self):
        contents = []
        for name in SETTINGS_FILES:
            try:
                with open(os.path.join(self.path, name), "rb") as file:
                    contents.append(file.read())
            except FileNotFoundError:
                contents.append(None)
        return contents

    def strays(self):
        """Whatever lies in the folders besides the saver and the settings files."""
        found = set(os.listdir(self.path))
        data = os.path.join(self.path, "★MailData")
        if os.path.isdir(data):
            found |= {"★MailData/" + name for name in os.listdir(data)}
        return sorted(found - {"settings_saver", "★MailData", *SETTINGS_FILES})

    def restore(self, contents):
        for stray in self.strays():
            os.unlink(os.path.join(self.path, stray))
        os.makedirs(os.path.join(self.path, "★MailData"), exist_ok=True)
        for name, content in zip(SETTINGS_FILES, contents):
            with open(os.path.join(self.path, name), "wb") as file:
                file.write(content)


def sweep_saves(saver, env, tally, pool):
    folders = [SaveFolder(saver, env) for _ in range(WORKERS)]
    first = folders[0]
    written = {}
    for which in ("a", "b"):
        run = first.save(which)
        written[which] = first.contents()
        if run.how_it_ended() or run.status != 0 or None in written[which]:
            tally.failures.append(f"saves: a clean save of set {which} ended with {run.status}, "
                                  f"{run.how_it_ended()}, files {written[which]!r}")
            return
    if any(a == b for a, b in zip(written["a"], written["b"])):
        tally.failures.append("saves: the two sets write a file alike, so a mix would not show")
        return
    first.restore(written["a"])
    counts, counted = call_counts(first.argv, env, sorted({s for s, _ in SAVE_FAULTS}),
                                  first.path)
    if counted.status != 0 or first.contents() != written["b"]:
        tally.failures.append(f"saves: a traced save ended with {counted.status}: {counted.err}")
        return

    free, free_lock = list(folders), threading.Lock()

    def save_one(key, when):
        with free_lock:
            folder = free.pop()
        try:
            _, syscall, errno = key
            folder.restore(written["a"])
            run = inject(folder.argv, env, syscall, errno, when, folder.path)
            outcome, problem = ("skipped", None) if run.skipped() else \
                save_outcome(run, folder, written)
            command = f"(cd {folder.path} && {reproduce(folder.argv, syscall, errno, when)})"
            failure = problem and f"{command} over the files of set a\n    {problem}"
            tally.count(key, run, outcome, failure)
        finally:
            with free_lock:
                free.append(folder)

    jobs = []
    for syscall, errno in SAVE_FAULTS:
        points = points_of(counts[syscall])
        tally.add_row("saves", syscall, errno, counts[syscall], points)
        jobs += [pool.submit(save_one, ("saves", syscall, errno), when) for when in points]
    for job in jobs:
        job.result()


def save_outcome(run, folder, written):
    """The outcome of a save of set b over set a (result, error, loader), or what is wrong."""
    if problem := run.how_it_ended():
        return None, problem
    contents = folder.contents()
    for name, content, a, b in zip(SETTINGS_FILES, contents, written["a"], written["b"]):
        if content is None:
            return None, f"{name} is gone"
        if content not in (a, b):
            return None, f"{name} holds {len(content)} bytes, neither set's (a torn file)"
    account = stat.S_IMODE(os.stat(os.path.join(folder.path, SETTINGS_FILES[2])).st_mode)
    if account & 0o077:
        return None, f"the account file is open to others ({oct(account)})"
    strays = folder.strays()
    if run.status == 0:
        if contents != written["b"]:
            return None, "the save succeeded, but not every file holds the new settings"
        if strays:
            return None, f"the save succeeded, but left {', '.join(strays)} behind"
        return "result", None
    # A save whose lock failed leaves the new file it opened: it may be another save's.
    if other := [s for s in strays if s[:-len(".new")] not in SETTINGS_FILES]:
        return None, f"left {', '.join(other)} behind"
    if run.status == 1 and run.err:
        return "error", None
    if run.loader_refused():
        return "loader", None
    return None, f"exit {run.status}: {run.err!r}"


# --- offline, with "localhost" naming two addresses ---------------------------------------------

def offline_check(check_driver, env):
    """What is wrong with a check made with loopback down and "localhost" naming ::1 and
    127.0.0.1, or None; a namespace that cannot be made here skips it."""
    namespace = ["unshare", "--net", "--mount", "--propagation", "private"]
    probe = subprocess.run([*namespace, "true"], capture_output=True, text=True)
    if probe.returncode != 0:
        print("offline row skipped: no network namespace here (" + probe.stderr.strip() + ")")
        return None
    hosts = os.path.join(scratch, "hosts")
    with open(hosts, "w") as file:
        file.write("::1 localhost\n127.0.0.1 localhost\n")
    # A new network namespace has its loopback down: neither address can be reached.
    argv = [*namespace, "sh", "-c", 'mount --bind "$0" /etc/hosts && exec "$@"', hosts,
            check_driver, "pop3://localhost:110", "u", "p"]
    run = Run(argv, env)
    outcome, problem = check_outcome(run, expected=None)
    if outcome == "error":
        print(f"offline row: exit {run.status} in {run.seconds:.1f} s, {run.err!r}")
        return None
    return f"offline: {' '.join(argv)}\n    {problem or 'no error text'}"


def main():
    global scratch
    check_driver, saver = (os.path.abspath(p) for p in sys.argv[1:3])
    started = time.monotonic()
    tally = Tally()
    with tempfile.TemporaryDirectory(prefix="pomarin-faults-") as scratch:
        home = os.path.join(scratch, "home")
        os.makedirs(os.path.join(home, ".config"))
        os.environ.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"))
        env = dict(os.environ)
        with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
            sweep_checks(check_driver, env, tally, pool)
            checked = time.monotonic()
            sweep_saves(saver, env, tally, pool)
        saved = time.monotonic()
        offline = offline_check(check_driver, env)
    tally.report()
    print(f"checks {checked - started:.0f} s, saves {saved - checked:.0f} s, "
          f"{WORKERS} runs at a time")
    if offline:
        tally.failures.append(offline)
    for failure in tally.failures:
        print("FAILED: " + failure)
    sys.exit(1 if tally.failures else 0)


if __name__ == "__main__":
    main()
