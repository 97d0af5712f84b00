"""A newcomer's first session, end to end, on the real program against the test Dovecot: the
first run's dialogs filled in from the keyboard, a check that finds mail, the courier dragged and
called back, standby and back, the panel folded, the window closed. Each step leaves a picture
of the program's windows in the test output; docs/pictures/ holds copies of the main ones."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
import dovecot  # noqa: E402
from courier_frames import solid_point  # noqa: E402
from xsession import (ProgramOnX11, geometry, near, screenshot,  # noqa: E402
                      run, visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
COLLAPSED, EXPANDED = 177, 221  # client heights in pixels
RESTORE_SIZE = (48, 187)  # "元のサイズ" in the client area


class NewcomerOnX11(ProgramOnX11):
    PROGRAM = PROGRAM
    SETTINGS, DATA = None, {}  # a first run: no settings files at all
    MAIN_TITLE = "ぽまりん"

    @classmethod
    def setUpClass(cls):
        cls.server = dovecot.serving()
        cls.dovecot = cls.server.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)

    def shown(self, title):
        return wait_for(lambda: visible_windows(self.env, self.program.pid, title), 20,
                        f'the "{title}" window')[0]

    def gone(self, title):
        wait_for(lambda: not visible_windows(self.env, self.program.pid, title), 20,
                 f'the "{title}" window to close')

    def picture(self, name):
        """The screen cut to the program's windows with their frames, as newcomer-NAME.png, once
        they are drawn."""
        self.caught_up()
        boxes = []
        for window in visible_windows(self.env, self.program.pid):
            x, y, width, height = geometry(self.env, window)
            boxes.append((x - 4, y - 24, x + width + 4, y + height + 4))
        box = (max(0, min(b[0] for b in boxes)), max(0, min(b[1] for b in boxes)),
               max(b[2] for b in boxes), max(b[3] for b in boxes))
        screenshot(self.env).crop(box).save(os.path.join(OUTPUT, f"newcomer-{name}.png"),
                                            optimize=True)

    def client_height(self):
        return geometry(self.env, self.window)[3] - self.menu

    def test_first_session(self):
        # No settings yet: the server dialog, the account dialog, and the main window.
        server = self.shown("サーバー設定")
        account = self.shown("ID,PASS")
        self.menu = geometry(self.env, self.window)[3] - COLLAPSED
        self.picture("1-first-run")

        # The server, typed before anything is clicked: the keyboard is in the dialog on top, in
        # its SMTP box. "設定" saves it.
        self.keys("Tab", "ctrl+a")  # from the SMTP box to the POP3 box
        self.type(f"pop3://127.0.0.1:{self.dovecot['pop3']}")
        self.picture("2-server")
        self.keys("Tab", "Tab", "space")  # over the APOP box to "設定"
        self.gone("サーバー設定")
        with open(os.path.join(self.workdir, "vbmail.ini"), "rb") as f:
            self.assertIn(f"POP3=pop3://127.0.0.1:{self.dovecot['pop3']}\r\n".encode(), f.read())

        # The account, typed straight on: the keyboard goes on to its dialog, not to the main
        # window. Not kept in its file: Enter presses OK, with the save box left clear.
        wait_for(lambda: run(self.env, "xdotool", "getactivewindow").strip() == str(account), 10,
                 "the account dialog to have the keyboard")
        self.type("small")
        self.keys("Tab")
        self.type("secret")
        self.picture("3-account")
        self.keys("Return")
        self.gone("ID,PASS")
        self.assertFalse(os.path.exists(os.path.join(self.data, "iniIdPass.ini")))

        # A check logs in with the account just confirmed, finds the mailbox's three messages,
        # and the courier runs loose.
        self.choose("新着メールチェック")
        wait_for(lambda: self.client_height() == EXPANDED, 30, "the result panel")
        courier = self.shown("飛脚")
        self.picture("4-new-mail")

        # Dragged by a point of its figure, it follows the pointer.
        solid = solid_point()
        x, y = self.take_hold(courier, solid)
        for step in range(1, 6):
            self.xdotool("mousemove", str(x + solid[0] + 30 * step), str(y + solid[1] + 15 * step))
        wait_for(lambda: near(geometry(self.env, courier), (x + 150, y + 75), 4), 5,
                 "the courier to follow the pointer")
        self.xdotool("mouseup", "1")

        self.choose("飛脚を戻す")
        self.gone("飛脚")

        # 待機 leaves only the standby window; 復帰 brings the main window back.
        self.choose("待機")
        standby = self.shown("待機")
        self.gone("ぽまりん")
        self.picture("5-standby")
        x, y, _, _ = geometry(self.env, standby)
        self.xdotool("mousemove", str(x + 52), str(y + 18), "click", "1")  # 復帰
        self.shown("ぽまりん")
        self.gone("待機")

        # "元のサイズ" folds the result panel away.
        x, y, _, _ = geometry(self.env, self.window)
        self.xdotool("mousemove", str(x + RESTORE_SIZE[0]), str(y + self.menu + RESTORE_SIZE[1]),
                     "click", "1")
        wait_for(lambda: self.client_height() == COLLAPSED, 10, "the panel to fold away")
        self.picture("6-back")

        subprocess.run(["wmctrl", "-i", "-c", hex(self.window)], env=self.env, check=True)
        self.assertEqual(self.program.wait(10), 0)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
