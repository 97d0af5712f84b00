"""Starts the real pomarin on a private X server with a window manager and checks what a user sees
of the main window."""

import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from xsession import (SCREEN, ProgramOnX11, caught_up, differs, geometry,  # noqa: E402
                      open_menus, run, screenshot, visible_windows, wait_for,
                      window_property)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
CLIENT_WIDTH, COLLAPSED_CLIENT_HEIGHT = 281, 177
STAGE = (240, 136, 41, 37)


class MainWindowOnX11(ProgramOnX11):
    PROGRAM = PROGRAM

    def test_window_title_size_and_place(self):
        self.assertIn('"ぽまりん"', window_property(self.env, self.window, "_NET_WM_NAME"))
        x, y, width, height = geometry(self.env, self.window)
        self.assertEqual(width, CLIENT_WIDTH)
        menu_height = height - COLLAPSED_CLIENT_HEIGHT
        self.assertTrue(15 <= menu_height <= 40, f"menu bar {menu_height} px high")
        hints = window_property(self.env, self.window, "WM_NORMAL_HINTS")
        self.assertIn(f"minimum size: {width} by {height}", hints)
        self.assertIn(f"maximum size: {width} by {height}", hints)
        actions = window_property(self.env, self.window, "_NET_WM_ALLOWED_ACTIONS")
        self.assertIn("_NET_WM_ACTION_CLOSE", actions)
        self.assertIn("_NET_WM_ACTION_MINIMIZE", actions)
        self.assertNotIn("MAXIMIZE", actions)
        centre = (x + width / 2, y + height / 2)
        self.assertLess(abs(centre[0] - SCREEN[0] / 2), 40, centre)
        self.assertLess(abs(centre[1] - SCREEN[1] / 2), 40, centre)

    def test_stage_animates_and_menu_opens(self):
        x, y, width, height = geometry(self.env, self.window)
        top = y + height - COLLAPSED_CLIENT_HEIGHT
        stage_box = (x + STAGE[0], top + STAGE[1], x + STAGE[0] + STAGE[2], top + STAGE[1] + STAGE[3])
        first = screenshot(self.env, os.path.join(OUTPUT, "pomarin-main.png"))
        # The courier steps every 300 ms; one of the next frames shows the other step.
        wait_for(lambda: differs(screenshot(self.env).crop(stage_box), first.crop(stage_box)),
                 3, "the stage to show another frame")
        # The street around the stage stays as it is.
        street = (x, top, x + 200, top + 100)
        self.assertFalse(differs(screenshot(self.env).crop(street), first.crop(street)))

        subprocess.run(["xdotool", "key", "--window", str(self.window), "alt+f"], env=self.env,
                       check=True)
        wait_for(lambda: open_menus(self.env, self.program.pid), 5, "the file menu to open")
        self.caught_up()
        screenshot(self.env, os.path.join(OUTPUT, "pomarin-menu.png"))

    def test_window_class_icon_and_always_on_top(self):
        self.assertIn('"pomarin", "Pomarin"', window_property(self.env, self.window, "WM_CLASS"))
        # Every size a desktop may ask for, so that none has to be scaled from another.
        icons = run(self.env, "xprop", "-len", "1000000", "-id", str(self.window), "_NET_WM_ICON")
        self.assertEqual(re.findall(r"Icon \((\d+) x \1\)", icons),
                         ["16", "24", "32", "48", "64", "96", "128", "256"])
        for on_top in (True, False, True):
            self.choose("常に前面表示")
            box = wait_for(lambda: visible_windows(self.env, self.program.pid, "Pomarin"), 10,
                           "the message box")[0]
            subprocess.run(["xdotool", "windowactivate", "--sync", str(box), "key", "Return"],
                           env=self.env, check=True)
            wait_for(lambda: ("_NET_WM_STATE_ABOVE" in window_property(
                self.env, self.window, "_NET_WM_STATE")) == on_top, 10,
                f"the main window {'above' if on_top else 'no longer above'} others")
        # The same window all along, not a new one made for the new stacking.
        self.assertEqual(visible_windows(self.env, self.program.pid, "ぽまりん"), [self.window])

    def test_standby_stays_on_top_and_closing_it_ends_the_program(self):
        self.choose("待機")
        standby = wait_for(lambda: visible_windows(self.env, self.program.pid, "待機"), 10,
                           "the standby window")[0]
        wait_for(lambda: not visible_windows(self.env, self.program.pid, "ぽまりん"), 10,
                 "the main window to hide")
        x, y, width, height = geometry(self.env, standby)
        self.assertEqual((width, height), (64, 36))
        other = subprocess.Popen(["xmessage", "-geometry", f"300x200+{x - 50}+{y - 50}",
                                  "an ordinary window"], env=self.env)
        self.addCleanup(other.kill)
        ordinary = int(wait_for(lambda: run(self.env, "xdotool", "search", "--onlyvisible",
                                            "--class", "Xmessage").split(), 10, "xmessage")[0])
        subprocess.run(["xdotool", "windowraise", str(ordinary)], env=self.env, check=True)
        caught_up(self.env)
        stacking = run(self.env, "xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[1].split(",")]
        self.assertGreater(order.index(standby), order.index(ordinary))
        screenshot(self.env, os.path.join(OUTPUT, "standby.png"))
        subprocess.run(["wmctrl", "-i", "-c", hex(standby)], env=self.env, check=True)
        self.assertEqual(self.program.wait(10), 0)

    def test_closing_the_window_ends_the_program(self):
        subprocess.run(["wmctrl", "-i", "-c", hex(self.window)], env=self.env, check=True)
        self.assertEqual(self.program.wait(10), 0)


class BesideAGlobalMenuOnX11(ProgramOnX11):
    """Where the session bus has a global menu (KDE's, Unity's), the menu stays in the window:
    without an applet that shows it, a menu handed over could not be reached at all."""
    PROGRAM = PROGRAM

    def prepare_session(self):
        registrar = subprocess.Popen(
            ["/usr/bin/python3", os.path.join(os.path.dirname(__file__), "appmenu_registrar.py")],
            env=self.env, stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
        self.addCleanup(registrar.wait, 10)
        self.addCleanup(registrar.stdout.close)
        self.addCleanup(registrar.stdin.close)
        self.assertEqual(registrar.stdout.readline().strip(), "ready")

    def test_the_menu_stays_in_the_window(self):
        self.caught_up()
        menu_height = geometry(self.env, self.window)[3] - COLLAPSED_CLIENT_HEIGHT
        self.assertTrue(15 <= menu_height <= 40, f"menu bar {menu_height} px high")
        self.xdotool("windowactivate", "--sync", str(self.window), "key", "alt+f")
        wait_for(lambda: open_menus(self.env, self.program.pid), 5, "the file menu to open")


class JapaneseFontOnX11(ProgramOnX11):
    """With a font that holds Japanese, nothing is said of fonts; with none (FONT_FOLDER, Latin
    fonts, the only ones fontconfig knows of), every label would show boxes, and the program
    says once which package to install."""
    PROGRAM = PROGRAM
    CAPTURE_STDERR = True
    FONT_FOLDER = None  # None: the machine's fonts

    def program_environment(self):
        if not self.FONT_FOLDER:
            return self.env
        folder = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, folder)
        config = os.path.join(folder, "fonts.conf")
        with open(config, "w") as f:
            f.write(f"<?xml version=\"1.0\"?>\n<fontconfig><dir>{self.FONT_FOLDER}</dir>"
                    f"<cachedir>{folder}</cachedir></fontconfig>\n")
        return dict(self.env, FONTCONFIG_FILE=config)

    def test_a_missing_japanese_font_is_said_once(self):
        self.caught_up()
        said = self.said()
        self.assertEqual(said.count("fonts-ipafont-gothic"), 1 if self.FONT_FOLDER else 0, said)


class LatinFontsOnlyOnX11(JapaneseFontOnX11):
    FONT_FOLDER = "/usr/share/fonts/truetype/dejavu"


class HomePage(ProgramOnX11):
    """作者のホームページ → Yes, through a stand-in browser: a private xdg-open, first on PATH,
    that records the address it gets and exits with XDG_OPEN_STATUS (3: it found no browser);
    without one, or when it finds no browser, the program says that nothing could open it."""
    PROGRAM = PROGRAM
    HAS_BROWSER = True
    XDG_OPEN_STATUS = 0

    def program_environment(self):
        self.bin = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.bin)
        self.record = os.path.join(self.bin, "opened")
        if not self.HAS_BROWSER:
            return dict(self.env, PATH=self.bin)
        stand_in = os.path.join(self.bin, "xdg-open")
        with open(stand_in, "w") as f:
            f.write(f'#!/bin/sh\nprintf "%s\\n" "$@" >> "{self.record}"\n'
                    f"exit {self.XDG_OPEN_STATUS}\n")
        os.chmod(stand_in, 0o755)
        return dict(self.env, PATH=self.bin + os.pathsep + self.env["PATH"])

    def say_yes_to_the_page(self):
        self.choose("作者のホームページ")
        box = wait_for(lambda: visible_windows(self.env, self.program.pid, "確認"), 10,
                       "the 確認 box")[0]
        screenshot(self.env, os.path.join(OUTPUT, "home-page-question.png"))
        # Its buttons speak Japanese: Ctrl+C copies the box's title, text and buttons.
        subprocess.run(["xdotool", "windowactivate", "--sync", str(box), "key", "ctrl+c"],
                       env=self.env, check=True)
        copied = wait_for(lambda: "確認" in (text := run(self.env, "xclip", "-o", "-selection",
                                                         "clipboard")) and text, 5, "the copy")
        self.assertIn("はい", copied)
        self.assertIn("いいえ", copied)
        # Yes is the box's default button.
        subprocess.run(["xdotool", "key", "Return"], env=self.env, check=True)


class HomePageThroughBrowserOnX11(HomePage):
    def test_yes_opens_the_page_that_ships_with_the_program(self):
        self.say_yes_to_the_page()
        wait_for(lambda: os.path.exists(self.record), 10, "the browser to be started")
        with open(self.record) as f:
            address = f.read().split()
        self.assertEqual(len(address), 1, address)
        self.assertTrue(address[0].startswith("file:///"), address)
        page = urllib.parse.unquote(urllib.parse.urlparse(address[0]).path)
        self.assertEqual(page, os.path.join(os.path.dirname(self.data), "homepage", "index.html"))
        with open(page, encoding="utf-8") as f:
            html = f.read()
        for must in ("vbmail.ini", "★MailData/ini.ini", "★MailData/iniIdPass.ini",
                     "host:port", "pop3s://", "pop3://", "<html lang=\"ja\">"):
            self.assertIn(must, html)
        pictures = re.findall(r'<img src="([^"]+)"', html)
        self.assertTrue(pictures)
        for picture in pictures:
            path = os.path.join(os.path.dirname(page), picture)
            with Image.open(path) as image:
                image.verify()
        self.assertIsNone(self.program.poll())


class HomePageWithoutBrowserOnX11(HomePage):
    HAS_BROWSER = False

    def test_yes_says_that_no_browser_could_open_it(self):
        self.say_yes_to_the_page()
        wait_for(lambda: visible_windows(self.env, self.program.pid, "エラー"), 10,
                 "the box saying no browser could open the page")
        self.assertFalse(os.path.exists(self.record))


class HomePageWithoutBrowserBehindXdgOpenOnX11(HomePage):
    XDG_OPEN_STATUS = 3

    def test_yes_says_that_no_browser_could_open_it(self):
        self.say_yes_to_the_page()
        wait_for(lambda: visible_windows(self.env, self.program.pid, "エラー"), 10,
                 "the box saying no browser could open the page")
        self.assertTrue(os.path.exists(self.record))


class SecondStartOnX11(ProgramOnX11):
    """A second start in the same working folder, with the same data folder, brings the running
    copy's shown window to the front and ends at once; a copy in another folder runs beside it."""
    PROGRAM = PROGRAM

    def program_environment(self):
        private = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, private)
        folders = {name: os.path.join(private, name) for name in ("home", "config", "run")}
        for folder in folders.values():
            os.mkdir(folder, 0o700)
        self.program_env = dict(self.env, HOME=folders["home"], XDG_CONFIG_HOME=folders["config"],
                                XDG_RUNTIME_DIR=folders["run"])
        return self.program_env

    def start_again(self, timeout):
        return subprocess.run([os.path.join(os.path.dirname(self.data), "pomarin")],
                              cwd=self.workdir, env=self.program_env, capture_output=True,
                              text=True, timeout=timeout)

    def shown_windows(self):
        """Every mapped window of every copy of the program."""
        return [int(w) for w in run(self.env, "xdotool", "search", "--onlyvisible", "--class",
                                    "Pomarin").split()]

    def covered(self):
        if not hasattr(self, "cover"):
            other = subprocess.Popen(["xmessage", "-geometry", "1024x768+0+0", "over it"],
                                     env=self.env)
            self.addCleanup(other.kill)
            self.cover = wait_for(lambda: run(self.env, "xdotool", "search", "--onlyvisible",
                                              "--class", "Xmessage").split(), 10, "xmessage")[0]
        self.xdotool("windowactivate", "--sync", self.cover)
        return self.window

    def iconified(self):
        self.xdotool("windowminimize", "--sync", str(self.window))
        return self.window

    def in_standby(self):
        self.choose("待機")
        standby = wait_for(lambda: visible_windows(self.env, self.program.pid, "待機"), 10,
                           "the standby window")[0]
        self.covered()
        return standby

    def test_a_second_start_brings_the_shown_window_forward(self):
        # What is done to the running copy first; each returns the window that is to come forward.
        for prepare in (self.covered, self.iconified, self.in_standby):
            with self.subTest(prepare.__name__):
                shown = prepare()
                caught_up(self.env)
                self.assertNotEqual(run(self.env, "xdotool", "getactivewindow").strip(), str(shown))
                second = self.start_again(timeout=10)
                self.assertEqual(second.returncode, 0, second.stderr)
                wait_for(lambda: run(self.env, "xdotool", "getactivewindow").strip() == str(shown),
                         10, "the running copy's window to come forward")
                self.assertEqual(self.shown_windows(), [shown])

    def test_a_stuck_copy_is_left_alone_and_a_copy_elsewhere_runs_beside_it(self):
        os.kill(self.program.pid, signal.SIGSTOP)
        try:
            second = self.start_again(timeout=20)
        finally:
            os.kill(self.program.pid, signal.SIGCONT)
        self.assertEqual(second.returncode, 0)
        self.assertEqual(len(second.stderr.strip().splitlines()), 1, second.stderr)
        self.assertEqual(self.shown_windows(), [self.window])

        elsewhere = os.path.join(os.path.dirname(self.workdir), "elsewhere")
        os.mkdir(elsewhere)
        shutil.copy(os.path.join(self.workdir, "vbmail.ini"), elsewhere)
        other = subprocess.Popen([os.path.join(os.path.dirname(self.data), "pomarin")],
                                 cwd=elsewhere, env=self.program_env)
        self.addCleanup(other.wait)
        self.addCleanup(other.kill)
        wait_for(lambda: visible_windows(self.env, other.pid, "ぽまりん"), 20,
                 "the other copy's main window")
        self.assertEqual(len(self.shown_windows()), 2)


class AnswersWithoutWindow(unittest.TestCase):
    """What the program says in one line and exits on, before any window: no Qt abort."""

    def test_cases(self):
        env = {k: v for k, v in os.environ.items()
               if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LC_ALL",
                            "LC_MESSAGES")}
        env["LANG"] = "C.UTF-8"
        japanese = "ja_JP.UTF-8"
        # As a user who cannot write at the root of the file system, which root could.
        user = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"] \
            if os.geteuid() == 0 else []
        no_home = "ぽまりん has no home folder (HOME is not set) to keep its settings in."
        root_config_before = os.path.exists("/.config")
        cases = [  # name, environment changes (None: unset), arguments, status, the one line
            ("no display", {}, [], 1, "ぽまりん needs a graphical desktop, but no display was found"),
            ("display that cannot be opened", {"DISPLAY": ":4093"}, [], 1,
             "ぽまりん needs a graphical desktop, but the display :4093 could not be opened"),
            ("--version", {}, ["--version"], 0, "pomarin "),
            ("a settings folder that cannot be made", {"XDG_CONFIG_HOME": "/proc/none"},
             ["--config-folder"], 1,
             "ぽまりん could not make or enter its settings folder /proc/none/pomarin."),
            ("no home folder", {"HOME": None, "XDG_CONFIG_HOME": None}, ["--config-folder"], 1,
             no_home),
            ("no home folder, a relative configuration folder",
             {"HOME": None, "XDG_CONFIG_HOME": "config"}, ["--config-folder"], 1, no_home),
            ("--help", {}, ["--help"], 0, "usage: pomarin [--config-folder | --version | --help]"),
            # Under a Japanese locale, in Japanese; the locale's variables in their order.
            ("--help, Japanese", {"LANG": japanese}, ["--help"], 0,
             "使い方: pomarin [--config-folder | --version | --help]"),
            ("no display, Japanese", {"LANG": japanese}, [], 1,
             "ぽまりんにはグラフィカルなデスクトップが必要ですが、ディスプレイが見つかりません"
             "（DISPLAY が設定されていません）。"),
            ("display that cannot be opened, Japanese",
             {"DISPLAY": ":4093", "LC_MESSAGES": japanese}, [], 1,
             "ぽまりんにはグラフィカルなデスクトップが必要ですが、ディスプレイ :4093 を開けません"
             "でした。"),
            ("a settings folder that cannot be made, Japanese",
             {"XDG_CONFIG_HOME": "/proc/none", "LC_ALL": japanese}, ["--config-folder"], 1,
             "ぽまりんは設定フォルダー /proc/none/pomarin を作ることも、そこに入ることも"
             "できませんでした。"),
            ("no home folder, Japanese", {"HOME": None, "XDG_CONFIG_HOME": None, "LANG": japanese},
             ["--config-folder"], 1,
             "ぽまりんには設定を置くホームフォルダーがありません（HOME が設定されていません）。"),
            ("Japanese only for other categories", {"LANG": japanese, "LC_MESSAGES": "C"}, [], 1,
             "ぽまりん needs a graphical desktop, but no display was found"),
        ]
        for name, changes, arguments, status, line in cases:
            with self.subTest(name):
                changed = {k: v for k, v in dict(env, **changes).items() if v is not None}
                done = subprocess.run([*user, PROGRAM, *arguments], env=changed, cwd="/",
                                      capture_output=True, text=True, timeout=20)
                output = (done.stdout + done.stderr).strip()
                self.assertEqual(done.returncode, status, output)
                self.assertTrue(output.startswith(line), output)
                if "--help" not in arguments:
                    self.assertNotIn("\n", output)
        self.assertEqual(os.path.exists("/.config"), root_config_before)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
