"""Automatic checks of the real program on a real X server: set from the right-click menu on the
street, run on their own against a slow server while the user types, waiting out open dialogs,
telling the desktop (a stand-in notification server on the test's session bus) only of mail the
check before did not see; and the autostart entry."""

import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
sys.dont_write_bytecode = True
from test_check_x11 import account, hostile_server, settings  # noqa: E402
from xsession import ProgramOnX11, geometry, open_menus, visible_windows, wait_for  # noqa: E402

PROGRAM = sys.argv[1]
SERVER = os.path.join(os.path.dirname(__file__), "notification_server.py")
INTERVAL_MINUTES = 0.05  # 3 s, written by hand: the menu offers 5 minutes at least
STREET = (60, 80)  # a point of the street in the main window's client area


def connections_to(port):
    """Our established connections to port on loopback: the checks running now."""
    with open("/proc/net/tcp") as table:
        rows = [line.split() for line in table.readlines()[1:]]
    return sum(1 for row in rows if int(row[2].split(":")[1], 16) == port and row[3] == "01")


class WatchOnX11(ProgramOnX11):
    PROGRAM = PROGRAM

    @classmethod
    def setUpClass(cls):
        cls.server = hostile_server()
        cls.port = cls.server.__enter__()["ports"]["slow_message"]

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def setUp(self):
        self.SETTINGS = settings(f"127.0.0.1:{self.port}")
        self.DATA = {"iniIdPass.ini": account("watcher"),
                     "watch.ini": f"[EXEINI]\r\nINTERVAL={INTERVAL_MINUTES}\r\n".encode()}
        super().setUp()

    def prepare_session(self):
        config = tempfile.TemporaryDirectory()
        self.addCleanup(config.cleanup)
        self.config = config.name
        self.notifications = subprocess.Popen(["/usr/bin/python3", SERVER], env=self.env,
                                              stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                              text=True)
        self.addCleanup(self.notifications.wait, 10)
        self.addCleanup(self.notifications.stdout.close)
        self.addCleanup(self.notifications.stdin.close)
        self.assertEqual(self.notifications.stdout.readline().strip(), "ready")

    def program_environment(self):
        return dict(self.env, XDG_CONFIG_HOME=self.config)

    def dialog(self, title):
        return wait_for(lambda: visible_windows(self.env, self.program.pid, title), 10,
                        f'the "{title}" window')[0]

    def courier_shown(self):
        return visible_windows(self.env, self.program.pid, "飛脚")

    def no_check_for(self, intervals, what):
        """Watches the server's port for so many intervals: no check may connect meanwhile."""
        deadline = time.monotonic() + intervals * INTERVAL_MINUTES * 60
        while time.monotonic() < deadline:
            self.assertFalse(connections_to(self.port), what)
            time.sleep(0.05)

    def watch_menu(self, *keys, window=None):
        """Right-clicks the street (or near the corner of another window of the program) and
        walks the menu from the keyboard."""
        x, y, _, height = geometry(self.env, window or self.window)
        point = (x + 5, y + 5) if window else (x + STREET[0], y + height - 177 + STREET[1])
        self.xdotool("mousemove", str(point[0]), str(point[1]), "click", "3")
        wait_for(lambda: open_menus(self.env, self.program.pid), 10, "the watch menu")
        self.keys(*keys)
        wait_for(lambda: not open_menus(self.env, self.program.pid), 10, "the menu to close")

    def test_automatic_checks(self):
        # The first check starts on its own, and the user types into a dialog while it runs.
        wait_for(lambda: connections_to(self.port), 20, "the first automatic check")
        self.choose("設定")
        options = self.dialog("設定")
        self.keys("Tab", "space")  # "ID/PASS"
        account_dialog = self.dialog("ID,PASS")
        self.xdotool("windowactivate", "--sync", str(account_dialog))
        typed = "everykeyarrives" * 2
        self.keys("ctrl+a")
        self.xdotool("type", typed)
        self.assertTrue(connections_to(self.port), "the check had ended before the typing")
        self.assertEqual(self.copied(), typed)

        # It announces the message waiting at start, with the program's name and icon.
        notice = json.loads(self.notifications.stdout.readline())
        self.assertEqual([notice[key] for key in ("app", "summary", "icon", "has_picture")],
                         ["ぽまりん", "新着メールが 1 通あります。", "pomarin", True])
        wait_for(self.courier_shown, 10, "the courier")

        # No check starts while a dialog is open, however long past its time.
        wait_for(lambda: not connections_to(self.port), 20, "the first check to end")
        self.no_check_for(4, "a check started under a dialog")
        self.keys("Escape")
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("Escape")
        wait_for(lambda: connections_to(self.port), 10, "the check that waited")
        self.choose("飛脚を戻す")
        wait_for(lambda: not self.courier_shown(), 10, "the courier to go back")

        # The same message again: no notification, and the courier stays in.
        wait_for(lambda: not connections_to(self.port), 20, "the second check to end")
        self.caught_up()
        self.assertFalse(self.courier_shown())

        # "しない" stops them, stored in the program's own file.
        self.watch_menu("Down", "Right", "Return")
        with open(os.path.join(self.data, "watch.ini"), "rb") as watch:
            self.assertIn(b"INTERVAL=0\r\n", watch.read())
        self.no_check_for(2, "a check after しない")
        self.notifications.stdin.close()
        self.assertEqual(self.notifications.stdout.read(), "", "a second notification")

    def test_starts_with_the_desktop(self):
        entry = os.path.join(self.config, "autostart", "io.github.pomarin.Pomarin.desktop")
        self.watch_menu("Down", "Down", "Return")
        wait_for(lambda: os.path.exists(entry), 10, "the autostart entry")
        subprocess.run(["desktop-file-validate", entry], check=True)
        with open(entry, encoding="utf-8") as f:
            text = f.read()
        self.assertIn(f"Exec={os.path.join(os.path.dirname(self.data), 'pomarin')}\n", text)
        self.assertIn(f"Path={self.workdir}\n", text)
        with open(os.path.join(self.data, "watch.ini"), "rb") as watch:
            self.assertIn(b"AUTOSTART=1\r\n", watch.read())
        # The standby window has the menu too; ticked, the item takes the entry away.
        self.choose("待機")
        standby = self.dialog("待機")
        self.watch_menu("Down", "Down", "Return", window=standby)
        wait_for(lambda: not os.path.exists(entry), 10, "the entry to go")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
