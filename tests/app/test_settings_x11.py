"""The settings dialogs of the real program on a real X server with a window manager, used from
the keyboard as a user would: "設定" from the menu, "POPサーバー" and "ID/PASS" from there, text
typed into the boxes (Japanese too), Enter, Esc and Tab, and the files on disk afterwards."""

import contextlib
import os
import signal
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from courier_frames import solid_point  # noqa: E402
from xsession import (SCREEN, ProgramOnX11, caught_up, differs, geometry,  # noqa: E402
                      run, screenshot, visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
MWM_FUNC_MINIMIZE, MWM_FUNC_MAXIMIZE = 0x08, 0x10


class SettingsSession(ProgramOnX11):
    PROGRAM = PROGRAM

    def dialog(self, title):
        window = wait_for(lambda: visible_windows(self.env, self.program.pid, title), 10,
                          f'the "{title}" window')[0]
        # Every window carries the program's icon, message boxes too.
        self.assertIn("_NET_WM_ICON(CARDINAL) =", run(self.env, "xprop", "-id", str(window),
                                                      "_NET_WM_ICON"))
        if title != "エラー":  # a fixed size with a close box only
            actions = run(self.env, "xprop", "-id", str(window), "_NET_WM_ALLOWED_ACTIONS")
            self.assertIn("_NET_WM_ACTION_CLOSE", actions)
            self.assertNotIn("MAXIMIZE", actions)
            # openbox offers minimising to every window; the window asks for no such button.
            motif = run(self.env, "xprop", "-id", str(window), "_MOTIF_WM_HINTS")
            functions = int(motif.split("=")[1].split(",")[1], 16)
            self.assertEqual(functions & (MWM_FUNC_MINIMIZE | MWM_FUNC_MAXIMIZE), 0, motif)
        return window

    def gone(self, title):
        wait_for(lambda: not visible_windows(self.env, self.program.pid, title), 10,
                 f'the "{title}" window to close')

    def file(self, path):
        with open(path, "rb") as f:
            return f.read()

    def shot(self, name):
        screenshot(self.env, os.path.join(OUTPUT, f"settings-{name}.png"))

    def copied_error(self):
        """The text of the エラー box, copied as a user would, after which Enter closes it."""
        box = self.dialog("エラー")
        x, y, width, _ = geometry(self.env, box)
        text = self.copied((x + width // 2, y + 20))
        self.keys("Return")
        self.gone("エラー")
        return text


class SettingsOnX11(SettingsSession):
    def test_settings_from_the_keyboard(self):
        self.choose("設定")
        options = self.dialog("設定")
        self.shot("options")

        # The focus starts on "POPサーバー"; Space presses it.
        self.keys("space")
        server = self.dialog("サーバー設定")
        # It stays above an ordinary window raised over it.
        other = subprocess.Popen(["xmessage", "-geometry", "600x400+0+0", "an ordinary window"],
                                 env=self.env)
        self.addCleanup(other.kill)
        ordinary = int(wait_for(lambda: run(self.env, "xdotool", "search", "--onlyvisible",
                                            "--class", "Xmessage").split(), 10, "xmessage")[0])
        self.xdotool("windowraise", str(ordinary))
        caught_up(self.env)
        stacking = run(self.env, "xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[1].split(",")]
        self.assertGreater(order.index(server), order.index(ordinary))
        other.kill()

        # Typed as a user types: the SMTP box has the focus; Tab moves on to the POP3 box.
        self.xdotool("windowactivate", "--sync", str(server))
        self.keys("ctrl+a")
        self.type("smtp.ぽまりん.jp")
        self.keys("Tab", "ctrl+a")
        self.type("popé.example.jp")  # é: no byte of code page 932 holds it
        self.keys("Return")  # Enter in a box saves nothing
        self.assertEqual(self.file(os.path.join(self.workdir, "vbmail.ini")), self.SETTINGS)
        self.keys("Tab", "Tab", "space")  # over the APOP box to "設定"
        error = self.dialog("エラー")
        self.shot("error")
        self.keys("Return")
        self.gone("エラー")
        self.assertTrue(visible_windows(self.env, self.program.pid, "サーバー設定"))
        self.assertEqual(self.file(os.path.join(self.workdir, "vbmail.ini")), self.SETTINGS)
        self.xdotool("windowactivate", "--sync", str(server))
        self.keys("shift+Tab", "shift+Tab", "ctrl+a")  # back to the POP3 box
        self.type("pop.example.jp")
        self.keys("alt+a")  # APOP on; its key also moves there
        self.still_picture_of(server)  # Qt ticks the box once it has shown it pressed
        self.keys("Tab", "space")  # "設定"
        self.gone("サーバー設定")
        self.assertEqual(self.file(os.path.join(self.workdir, "vbmail.ini")),
                         "SMTP=smtp.ぽまりん.jp\r\nPOP3=pop.example.jp\r\nMAIL=\r\nAPOP=1\r\n"
                         .encode("cp932"))

        # "ID/PASS": Enter presses OK; the save box starts ticked, as the file says.
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("Tab", "space")
        account = self.dialog("ID,PASS")
        self.xdotool("windowactivate", "--sync", str(account))
        self.keys("ctrl+a")  # over the stored ID, and a first key before the typing
        self.type("ゆーざー")
        self.keys("Tab", "ctrl+a")
        self.type("secret")
        self.shot("account")
        self.keys("Return")
        self.gone("ID,PASS")
        account_file = os.path.join(self.data, "iniIdPass.ini")
        saved = "[EXEINI]\r\nNAME=ゆーざー\r\nNAME2=secret\r\nNAME3=1\r\n".encode("cp932")
        self.assertEqual(self.file(account_file), saved)

        # Esc leaves it as it was; the dialog opens again with what is stored.
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("space")  # the focus stayed on "ID/PASS"
        account = self.dialog("ID,PASS")
        self.xdotool("windowactivate", "--sync", str(account))
        self.keys("ctrl+a")
        self.type("other")
        self.keys("Escape")  # Cancel
        self.gone("ID,PASS")
        self.assertEqual(self.file(account_file), saved)

        # The option box, stored when the dialog closes.
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("Tab", "space")
        subprocess.run(["wmctrl", "-i", "-c", hex(options)], env=self.env, check=True)
        self.gone("設定")
        self.assertEqual(self.file(os.path.join(self.data, "ini.ini")),
                         b"[EXEINI]\r\nNUMBER=1\r\n")


class EndingOnX11(SettingsSession):
    """However the program ends while "設定" is open with its box clicked, "ini.ini" keeps every
    byte, and the process is gone at once, ended by no crash."""
    OPTION = b"[EXEINI]\r\nNUMBER=0\r\n"
    DATA = dict(SettingsSession.DATA, **{"ini.ini": OPTION})

    def setUp(self):
        """Each ending starts the program afresh, on an X server of its own."""

    def close(self, window):
        subprocess.run(["wmctrl", "-i", "-c", hex(window)], env=self.env, check=True)

    def close_standby(self):
        self.choose("待機")
        self.close(wait_for(lambda: visible_windows(self.env, self.program.pid, "待機"), 10,
                            "the standby window")[0])

    def right_click_courier(self):
        self.xdotool("mousemove", "120", "100")  # where it starts: clear of the windows
        self.choose("飛脚を走らせる")
        courier = wait_for(lambda: visible_windows(self.env, self.program.pid, "飛脚"), 10,
                           "the courier")[0]
        solid = solid_point()
        for _ in range(20):  # aimed again until a click lands between its steps
            x, y = geometry(self.env, courier)[:2]
            self.xdotool("mousemove", str(x + solid[0]), str(y + solid[1]), "click", "3")
            with contextlib.suppress(subprocess.TimeoutExpired):
                self.program.wait(2)
                return

    def lose_display(self):
        """Kills this test's own X server, a child of this process, as a crashing one goes."""
        for pid in filter(str.isdigit, os.listdir("/proc")):
            with contextlib.suppress(OSError), open(f"/proc/{pid}/stat") as f:
                name, rest = f.read().split(" (", 1)[1].rsplit(") ", 1)
                if name == "Xvfb" and rest.split()[1] == str(os.getpid()):
                    os.kill(int(pid), signal.SIGKILL)

    def test_the_end_stores_nothing(self):
        endings = [  # how the program ends, and the statuses it may end with
            ("the main window's close", lambda: self.close(self.window), {0}),
            ("the courier's right click", self.right_click_courier, {0}),
            ("the standby window's close", self.close_standby, {0}),
            ("SIGTERM", lambda: self.program.send_signal(signal.SIGTERM), {-signal.SIGTERM}),
            ("SIGHUP", lambda: self.program.send_signal(signal.SIGHUP), {-signal.SIGHUP}),
            ("a lost display", self.lose_display, {1}),  # Qt's own exit
        ]
        for name, end, statuses in endings:
            with self.subTest(name):
                super().setUp()
                try:
                    self.choose("設定")
                    options = self.dialog("設定")
                    self.xdotool("windowactivate", "--sync", str(options))
                    self.keys("Tab", "Tab", "space")  # from "POPサーバー" over "ID/PASS" to the box
                    end()
                    self.assertIn(self.program.wait(3), statuses)
                    self.assertEqual(self.file(os.path.join(self.data, "ini.ini")), self.OPTION)
                finally:
                    self.doCleanups()


class HandWrittenFilesOnX11(SettingsSession):
    """Settings files written by hand in a Linux editor: UTF-8, a byte-order mark. What the user
    does not change keeps every byte."""
    ACCOUNT = "[EXEINI]\r\nNAME=山田太郎\r\nNAME2=secret\r\nNAME3=1\r\n".encode()
    SETTINGS = b"\xef\xbb\xbfSMTP=smtp.example.jp\nPOP3=pop.example.jp\nMAIL=\nAPOP=0\n"
    DATA = {"iniIdPass.ini": ACCOUNT}

    def started(self):
        # The UTF-8 account is said at start-up, before the main window, in the screen's middle.
        box = self.dialog("エラー")
        x, y, width, height = geometry(self.env, box)
        self.assertLess(abs(x + width / 2 - SCREEN[0] / 2), 40, (x, width))
        self.assertLess(abs(y + height / 2 - SCREEN[1] / 2), 60, (y, height))
        self.assertIn("読めない文字", self.copied_error())

    def test_unchanged_values_keep_their_bytes(self):
        self.choose("設定")
        options = self.dialog("設定")
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("space")  # "POPサーバー"
        server = self.dialog("サーバー設定")
        self.xdotool("windowactivate", "--sync", str(server))
        self.assertEqual(self.copied(), "smtp.example.jp")  # past the mark
        self.keys("Tab", "Tab", "Tab", "space")  # over the POP3 and APOP boxes to "設定"
        self.gone("サーバー設定")
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("Tab", "space")  # "ID/PASS"
        account = self.dialog("ID,PASS")
        self.xdotool("windowactivate", "--sync", str(account))
        self.keys("Return")  # OK, nothing edited, the save box ticked as the file says
        self.gone("ID,PASS")
        self.assertEqual(self.file(os.path.join(self.workdir, "vbmail.ini")), self.SETTINGS)
        self.assertEqual(self.file(os.path.join(self.data, "iniIdPass.ini")), self.ACCOUNT)

    def test_a_minimised_dialog_comes_back(self):
        self.choose("設定")
        options = self.dialog("設定")
        self.xdotool("windowminimize", "--sync", str(options))
        self.gone("設定")
        self.choose("設定")
        self.assertEqual(self.dialog("設定"), options)


class ReadOnlyDataOnX11(SettingsSession):
    READ_ONLY_DATA = True

    def options(self):
        """The options dialog from the menu, and how it looks once it has settled."""
        self.choose("設定")
        window = self.dialog("設定")
        self.caught_up()
        return window, self.picture_of(window)

    def test_options_dialog_closes_and_its_option_lasts(self):
        """"設定" closes though "ini.ini" cannot be written; one box says so, and the option
        holds for the rest of the session: the dialog comes back with its box ticked."""
        options, cleared = self.options()
        self.xdotool("windowactivate", "--sync", str(options))
        self.keys("Tab", "Tab", "space")  # from "POPサーバー" over "ID/PASS" to the box
        subprocess.run(["wmctrl", "-i", "-c", hex(options)], env=self.env, check=True)
        self.assertIn("ini.ini", self.copied_error())
        self.gone("設定")
        options, ticked = self.options()
        self.assertTrue(differs(ticked, cleared), "the option did not last")
        subprocess.run(["wmctrl", "-i", "-c", hex(options)], env=self.env, check=True)
        self.gone("設定")  # said once: no second box
        self.assertFalse(visible_windows(self.env, self.program.pid, "エラー"))
        options, again = self.options()
        self.assertFalse(differs(again, ticked))
        self.assertFalse(os.path.exists(os.path.join(self.data, "ini.ini")))


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
