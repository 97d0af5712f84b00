"""The program's windows stay on the screen: the main window that grows for a check's result at the
bottom of the screen, and the main and standby windows when the screen shrinks under them."""

import os
import subprocess
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
import dovecot  # noqa: E402
from xsession import (ProgramOnX11, frame_geometry, geometry, inside,  # noqa: E402
                      near, visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
COLLAPSED, EXPANDED = 177, 221  # client heights in pixels
SCREEN = (0, 0, 1366, 768)


class StaysOnScreenOnX11(ProgramOnX11):
    PROGRAM = PROGRAM
    MONITORS = [SCREEN]
    # Nothing listens there: a check fails at once, and then shows its panel.
    SETTINGS = (f"SMTP=\r\nPOP3=127.0.0.1:{dovecot.free_port(['127.0.0.1'])}\r\nMAIL=\r\n"
                "APOP=0\r\n").encode()

    def shrink_screen(self, width, height):
        """The primary monitor becomes smaller, as when a laptop's lid closes on a larger one."""
        for command in (["--delmonitor", "primary"],
                        ["--setmonitor", "*primary",
                         f"{width}/{width // 4}x{height}/{height // 4}+0+0", "screen"]):
            subprocess.run(["xrandr", *command], env=self.env, check=True, capture_output=True)
        return (0, 0, width, height)

    def place(self, window, corner):
        """Puts the window's frame with its bottom right corner at corner, or near it: the window
        manager may take the place for the client's or the frame's."""
        _, _, width, height = frame_geometry(self.env, window)
        target = (corner[0] - width, corner[1] - height)
        self.xdotool("windowmove", str(window), str(target[0]), str(target[1]))
        wait_for(lambda: near(frame_geometry(self.env, window), target, 25), 10,
                 "the window to move")

    def grown_at_the_bottom_edge(self):
        menu = geometry(self.env, self.window)[3] - COLLAPSED
        self.place(self.window, (SCREEN[2] - 40, SCREEN[3]))
        self.choose("新着メールチェック")
        box = wait_for(lambda: visible_windows(self.env, self.program.pid, "エラー"), 20,
                       "the エラー box")[0]
        self.xdotool("windowactivate", "--sync", str(box), "key", "Return")
        wait_for(lambda: geometry(self.env, self.window)[3] == menu + EXPANDED, 20,
                 "the window to show the result panel")
        return self.window, SCREEN

    def screen_shrinks(self):
        self.place(self.window, (SCREEN[2] - 40, SCREEN[3] - 20))
        return self.window, self.shrink_screen(1024, 600)

    def screen_shrinks_under_the_standby_window(self):
        self.choose("待機")
        standby = wait_for(lambda: visible_windows(self.env, self.program.pid, "待機"), 10,
                           "the standby window")[0]
        self.place(standby, (1000, 590))
        return standby, self.shrink_screen(800, 480)

    def test_windows_come_back_inside(self):
        for row in (self.grown_at_the_bottom_edge, self.screen_shrinks,
                    self.screen_shrinks_under_the_standby_window):
            with self.subTest(row.__name__):
                window, screen = row()
                wait_for(lambda: inside(frame_geometry(self.env, window), screen), 10,
                         f"the window inside {screen}")


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:], verbosity=2)
