"""New-mail checks of the real program on a real X server with a window manager, against the
private Dovecot, a scripted server that drips and a mock NetworkManager, started from the menu as
a user starts them; and the prompts of a first run."""

import contextlib
import json
import os
import socket
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
sys.dont_write_bytecode = True
import dovecot  # noqa: E402
import fixture_child  # noqa: E402
import networkmanager  # noqa: E402
from xsession import (ProgramOnX11, differs, geometry, run, screenshot,  # noqa: E402
                      visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
COLLAPSED, EXPANDED = 177, 221  # client heights in pixels
# Where the result boxes and the stage lie in the client area.
TEXT3, TEXT6, STAGE = (192, 203), (84, 204), (240, 136, 41, 37)
COUNT_BOX = (66, 195, 37, 18)  # Text6 in the client area
FAILED = "チェックできませんでした。"


def settings(server):
    return f"SMTP=\r\nPOP3={server}\r\nMAIL=\r\nAPOP=0\r\n".encode()


def account(user, password="secret"):
    return f"[EXEINI]\r\nNAME={user}\r\nNAME2={password}\r\nNAME3=1\r\n".encode()


@contextlib.contextmanager
def hostile_server():
    """The scripted POP3 server's JSON ({"ports": {scenario: port}, ...}) while it serves."""
    with tempfile.TemporaryDirectory() as cert_dir:
        script = os.path.join(os.path.dirname(dovecot.__file__), "hostile_pop3.py")
        with fixture_child.serving_child(["/usr/bin/python3", script, cert_dir],
                                         "the scripted server", 30) as info:
            yield info


class CheckOnX11(ProgramOnX11):
    PROGRAM = PROGRAM

    @classmethod
    def setUpClass(cls):
        cls.servers = [dovecot.serving(), hostile_server()]
        cls.dovecot, cls.hostile = (server.__enter__() for server in cls.servers)

    @classmethod
    def tearDownClass(cls):
        for server in cls.servers:
            server.__exit__(None, None, None)

    def setUp(self):
        pop3 = f"pop3://127.0.0.1:{self.dovecot['pop3']}"
        drip = f"pop3://127.0.0.1:{self.hostile['ports']['drip_message']}"
        self.networkmanager = None
        case = self._testMethodName
        slow = f"pop3://127.0.0.1:{self.hostile['ports']['slow_message']}"
        nothing = f"127.0.0.1:{dovecot.free_port(['127.0.0.1'])}"
        self.SETTINGS = settings({"test_nothing_listens": nothing,
                                  "test_closing_during_a_check": drip,
                                  "test_input_during_a_check_is_dropped": slow}.get(case, pop3))
        self.DATA = {"iniIdPass.ini": account(
            {"test_empty_mailbox": "empty", "test_a_count_of_2000": "twothousand",
             "test_option_hangs_up_when_nothing_came": "empty"}
            .get(case, "small"),
            "wrong" if case == "test_wrong_password" else "secret")}
        if case.startswith("test_option_"):
            self.DATA["ini.ini"] = b"[EXEINI]\r\nNUMBER=1\r\n"
            serving = networkmanager.serving([{"id": "modem", "type": "gsm"}])
            self.networkmanager = serving.__enter__()
            self.addCleanup(serving.__exit__, None, None, None)
        super().setUp()
        self.menu = geometry(self.env, self.window)[3] - COLLAPSED

    def program_environment(self):
        if not self.networkmanager:
            return self.env
        return dict(self.env, DBUS_SYSTEM_BUS_ADDRESS=self.networkmanager.address)

    def check(self):
        self.choose("新着メールチェック")

    def client(self):
        """The client area's origin, below the menu bar."""
        x, y, _, _ = geometry(self.env, self.window)
        return x, y + self.menu

    def copied_from(self, at):
        """The text of the result box at `at` in the client area, as a user copies it."""
        x, y = self.client()
        return self.copied((x + at[0], y + at[1]))

    def expanded(self):
        wait_for(lambda: geometry(self.env, self.window)[3] - self.menu == EXPANDED, 30,
                 "the window to show the result panel")
        self.caught_up()  # and to draw it

    def result(self):
        self.expanded()
        return self.copied_from(TEXT3), self.copied_from(TEXT6)

    def error_box(self):
        box = wait_for(lambda: visible_windows(self.env, self.program.pid, "エラー"), 30,
                       "the エラー box")[0]
        x, y, width, _ = geometry(self.env, box)
        text = self.copied((x + width // 2, y + 20))  # in the first line of the text
        self.xdotool("key", "Return")
        return text

    def transcript(self, scenario):
        """The commands the scripted server's latest connection for scenario received."""
        with socket.create_connection(("127.0.0.1", self.hostile["control"])) as control:
            control.sendall(scenario.encode() + b"\n")
            return json.loads(control.makefile().readline()) or []

    def courier_shown(self):
        return bool(visible_windows(self.env, self.program.pid, "飛脚"))

    def test_three_messages(self):
        self.check()
        self.assertEqual(self.result(), ("新着メール有り。", "3"))
        self.assertTrue(self.courier_shown())
        screenshot(self.env, os.path.join(OUTPUT, "check-new-mail.png"))
        # The check leaves the mailbox as it found it.
        self.assertEqual(dovecot.unseen(self.dovecot["imap"], "small"), {"total": 3, "unseen": 3})
        # A second check, of a mailbox of one, shows its count, with the one courier window.
        with open(os.path.join(self.data, "iniIdPass.ini"), "wb") as f:
            f.write(account("big"))
        self.check()
        wait_for(lambda: self.copied_from(TEXT6) == "1", 30, "the second check's count")
        self.assertEqual(self.result(), ("新着メール有り。", "1"))
        self.assertEqual(len(visible_windows(self.env, self.program.pid, "飛脚")), 1)

    def test_empty_mailbox(self):
        self.check()
        self.assertEqual(self.result(), ("新着メールなし。", "0"))
        self.assertFalse(self.courier_shown())

    # A check that failed says so, after its error box, and shows no count.
    def test_wrong_password(self):
        self.check()
        self.assertIn("Authentication failed", self.error_box())
        self.assertEqual(self.result(), (FAILED, ""))

    def test_nothing_listens(self):
        self.check()
        self.assertIn("拒否", self.error_box())
        self.assertEqual(self.result(), (FAILED, ""))

    def test_a_count_of_2000(self):
        """The whole count on the screen: its digits' ink inside the box, clear of its edges,
        and as wide as four digits."""
        self.check()
        self.expanded()
        x, y = self.client()
        # Before the text is copied, which selects it.
        box = screenshot(self.env).crop((x + COUNT_BOX[0], y + COUNT_BOX[1],
                                         x + COUNT_BOX[0] + COUNT_BOX[2],
                                         y + COUNT_BOX[1] + COUNT_BOX[3]))
        box.save(os.path.join(OUTPUT, "check-count-2000.png"))
        self.assertEqual(self.result(), ("新着メール有り。", "2000"))
        ink = [px for px in range(2, box.width - 2) for py in range(2, box.height - 2)
               if sum(box.getpixel((px, py))) < 3 * 128]
        self.assertTrue(ink, "no digits in the count box")
        self.assertGreaterEqual(min(ink), 4)
        self.assertLessEqual(max(ink), box.width - 5)
        self.assertGreaterEqual(max(ink) - min(ink), 4 * 4, (min(ink), max(ink)))

    def test_input_during_a_check_is_dropped(self):
        """Clicks, Alt+F and keys during a check act neither then nor when it ends."""
        x, y = self.client()
        self.check()
        self.xdotool("mousemove", str(x + 20), str(y - self.menu // 2), "click", "1")  # ファイル
        self.keys("alt+f", "Down", "Return")  # 設定, if it acted
        self.xdotool("mousemove", str(x + 200), str(y + 100), "click", "1")
        self.assertEqual(geometry(self.env, self.window)[3] - self.menu, COLLAPSED,
                         "the check ended before the input was made")
        self.assertEqual(self.result(), ("新着メール有り。", "1"))
        self.caught_up()  # what was held back would have acted by now
        titles = {run(self.env, "xdotool", "getwindowname", str(w)).strip()
                  for w in visible_windows(self.env, self.program.pid)}
        self.assertEqual(titles, {"ぽまりん", "飛脚"})

    def test_option_hangs_up_when_nothing_came(self):
        self.check()
        self.assertEqual(self.result(), ("新着メールなし。", "0"))
        wait_for(lambda: self.networkmanager.deactivated() ==
                 [self.networkmanager.active["modem"]], 10, "the dial-up connection to go")

    def test_option_keeps_the_line_for_new_mail(self):
        self.check()
        self.assertEqual(self.result(), ("新着メール有り。", "3"))
        self.caught_up()  # a hang-up would have been asked for by now
        self.assertEqual(self.networkmanager.deactivated(), [])

    def test_closing_during_a_check(self):
        x, y = self.client()
        stage = (x + STAGE[0], y + STAGE[1], x + STAGE[0] + STAGE[2], y + STAGE[1] + STAGE[3])
        self.check()
        wait_for(lambda: any(command.startswith(("RETR 1", "TOP 1 "))
                             for command in self.transcript("drip_message")), 10,
                 "the server to drip the message")
        # The stage goes on stepping while the check waits.
        first = screenshot(self.env).crop(stage)
        wait_for(lambda: differs(screenshot(self.env).crop(stage), first), 3,
                 "the stage to step during the check")
        subprocess.run(["wmctrl", "-i", "-c", hex(self.window)], env=self.env, check=True)
        self.assertEqual(self.program.wait(10), 0)


class FirstRunOnX11(ProgramOnX11):
    """What start-up opens, by what the settings files hold."""
    PROGRAM = PROGRAM

    def setUp(self):
        case = self._testMethodName
        if case == "test_no_files":
            self.SETTINGS, self.DATA = None, {}
        elif case == "test_id_without_password":
            self.DATA = {"iniIdPass.ini": b"[EXEINI]\r\nNAME=user\r\n"}
        elif case == "test_no_server":
            self.SETTINGS = None
        super().setUp()

    def shown(self, title):
        return visible_windows(self.env, self.program.pid, title)

    def has_the_keyboard(self, window):
        """The window has the focus, and keeps it once start-up is over."""
        active = lambda: run(self.env, "xdotool", "getactivewindow").strip() == str(window)
        wait_for(active, 10, "the focus")
        self.caught_up()
        return active()

    def test_no_files(self):
        server = wait_for(lambda: self.shown("サーバー設定"), 10, "the server dialog")[0]
        account = wait_for(lambda: self.shown("ID,PASS"), 10, "the account dialog")[0]
        self.caught_up()
        clients = run(self.env, "xprop", "-root", "_NET_CLIENT_LIST")
        mapped = [int(w, 16) for w in clients.split("#")[1].split(",")]
        self.assertEqual([mapped.index(w) for w in (server, account, self.window)],
                         sorted(mapped.index(w) for w in (server, account, self.window)))
        stacking = run(self.env, "xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[1].split(",")]
        self.assertGreater(order.index(server), order.index(account))
        self.assertGreater(order.index(server), order.index(self.window))
        # The keyboard is where the user looks: in the dialog on top.
        self.assertTrue(self.has_the_keyboard(server))
        screenshot(self.env, os.path.join(OUTPUT, "first-run.png"))

    def test_id_without_password(self):
        account = wait_for(lambda: self.shown("ID,PASS"), 10, "the account dialog")[0]
        self.assertFalse(self.shown("サーバー設定"))
        self.assertTrue(self.has_the_keyboard(account))

    def test_no_server(self):
        server = wait_for(lambda: self.shown("サーバー設定"), 10, "the server dialog")[0]
        self.assertFalse(self.shown("ID,PASS"))
        self.assertTrue(self.has_the_keyboard(server))

    def test_everything_present(self):
        self.assertTrue(self.has_the_keyboard(self.window))
        self.assertFalse(self.shown("ID,PASS"))
        self.assertFalse(self.shown("サーバー設定"))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
