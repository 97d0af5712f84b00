"""The courier on a real X server with a window manager: it appears at the pointer, shaped to its
picture, stays above ordinary windows, walks, can be dragged and called back, and a right click on
it ends the program."""

import os
import subprocess
import sys
import time
import unittest

from PIL import Image, ImageChops

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from courier_frames import (IMAGES, KEY, enlarged, find_courier,  # noqa: E402
                            solid_point)
from xsession import (ProgramOnX11, caught_up, geometry, near, run,  # noqa: E402
                      screenshot, visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
BACKDROP = (255, 0, 255)  # a colour no frame uses, so that what the shape cuts away shows


class CourierSession(ProgramOnX11):
    PROGRAM = PROGRAM
    SCALE = 1
    POINTER = (120, 100)  # where it starts: left of the main window, on the backdrop

    def prepare_session(self):
        subprocess.run(["xsetroot", "-solid", "#%02x%02x%02x" % BACKDROP], env=self.env, check=True)

    def courier(self):
        return visible_windows(self.env, self.program.pid, "飛脚")

    def look(self, window):
        """A screenshot with the courier found on it, near where the window manager last put it."""
        self.caught_up()
        x, y, width, height = geometry(self.env, window)
        self.assertEqual((width, height), (64 * self.SCALE, 64 * self.SCALE))
        shot = screenshot(self.env)
        found = find_courier(shot, (x, y), self.SCALE)
        self.assertIsNotNone(found, "the courier's figure is not on the screen")
        return shot, found

    def run_courier(self):
        self.xdotool("mousemove", *map(str, self.POINTER))
        self.choose("飛脚を走らせる")
        window = wait_for(self.courier, 10, "the courier window")[0]
        # Each time it is shown: not in the task bar, the pager or the window switcher.
        state = run(self.env, "xprop", "-id", str(window), "_NET_WM_STATE")
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", state)
        self.assertIn("_NET_WM_STATE_SKIP_PAGER", state)
        return window

    def look_shaped(self, window):
        """The courier's screenshot, checked: its figure whole, the backdrop where its shape cuts
        the picture away."""
        shot, (x, y, frame) = self.look(window)
        size = 64 * self.SCALE
        look = shot.crop((x, y, x + size, y + size))
        for point in ((px, py) for py in range(size) for px in range(size)):
            if frame.getpixel(point) == KEY:
                self.assertEqual(look.getpixel(point), BACKDROP, point)
        return shot, look, (x, y)


class CourierOnX11(CourierSession):
    def test_courier_runs_shaped_above_other_windows(self):
        window = self.run_courier()
        shot, look, (x, y) = self.look_shaped(window)
        self.assertLess(abs(x - self.POINTER[0]) + abs(y - self.POINTER[1]), 60, (x, y))
        look.resize((256, 256), Image.NEAREST).save(os.path.join(OUTPUT, "courier.png"))
        shot.save(os.path.join(OUTPUT, "courier-desktop.png"))

        # An ordinary window raised over it stays below it.
        other = subprocess.Popen(["xmessage", "-geometry", f"300x200+{x - 100}+{y - 50}",
                                  "an ordinary window"], env=self.env)
        self.addCleanup(other.kill)
        # xmessage does not name its process on its window: find it by its class.
        ordinary = wait_for(lambda: run(self.env, "xdotool", "search", "--onlyvisible", "--class",
                                        "Xmessage").split(), 10, "xmessage")[0]
        ordinary = int(ordinary)
        self.xdotool("windowraise", str(ordinary))
        caught_up(self.env)
        stacking = run(self.env, "xprop", "-root", "_NET_CLIENT_LIST_STACKING")
        order = [int(w, 16) for w in stacking.split("#")[1].split(",")]
        self.assertGreater(order.index(window), order.index(ordinary))
        self.look(window)  # its figure stands whole on top of the ordinary window

        # It walks on: over a few ticks it stands somewhere else.
        start = geometry(self.env, window)[:2]
        wait_for(lambda: geometry(self.env, window)[:2] != start, 5, "the courier to move")

    def test_courier_is_dragged_called_back_and_ends_the_program(self):
        window = self.run_courier()
        solid = solid_point()
        x, y = self.take_hold(window, solid)
        # While dragged it follows the pointer and nothing else: the walk waits.
        for step in range(1, 11):
            self.xdotool("mousemove", str(x + solid[0] + 20 * step), str(y + solid[1] + 10 * step))
            target = (x + 20 * step, y + 10 * step)
            wait_for(lambda: near(geometry(self.env, window), target, 2), 5,
                     f"the courier to follow the pointer to {target}")
        # Held there, it stays while three of the walk's ticks (200 ms apart) fall due.
        held = time.monotonic()
        while time.monotonic() - held < 0.6:
            self.assertTrue(near(geometry(self.env, window), target, 2), "the walk went on")
        self.xdotool("mouseup", "1")
        dropped = geometry(self.env, window)[:2]
        wait_for(lambda: geometry(self.env, window)[:2] != dropped, 5, "the walk to go on")

        self.choose("飛脚を戻す")
        wait_for(lambda: not self.courier(), 5, "the courier to go")
        self.assertIn("IsUnMapped", run(self.env, "xwininfo", "-id", str(window)))
        self.choose("飛脚を戻す")  # calling it back twice is harmless
        self.caught_up()
        self.assertEqual(self.program.poll(), None)

        window = self.run_courier()
        for _ in range(20):  # aim between its ticks
            x, y, _, _ = geometry(self.env, window)
            self.xdotool("mousemove", str(x + solid[0]), str(y + solid[1]), "click", "3")
            try:
                self.assertEqual(self.program.wait(2), 0)
                return
            except subprocess.TimeoutExpired:
                continue
        self.fail("a right click on the courier did not end the program")


class TwoScreensOnX11(CourierSession):
    """A primary screen right of another one: the courier runs on the primary screen only, also
    when the pointer that it starts at is on the other one."""
    PRIMARY = (800, 0, 1024, 768)
    MONITORS = [PRIMARY, (0, 0, 800, 600)]
    POINTER = (100, 100)

    def test_courier_keeps_to_the_primary_screen(self):
        window = self.run_courier()
        left, top, width, height = self.PRIMARY
        places = set()

        def on_the_primary_screen():
            x, y, _, _ = geometry(self.env, window)
            self.assertTrue(left <= x <= left + width - 64 and top <= y <= top + height - 64,
                            (x, y))
            places.add((x, y))
            return len(places) > 20
        wait_for(on_the_primary_screen, 20, "20 steps from the screen's left edge")
        self.look(window)


class HighDensityOnX11(CourierSession):
    """QT_SCALE_FACTOR=2: every window twice as large, its pictures enlarged by whole pixels, and
    the courier's shape still its picture's outline pixel for pixel."""
    SCALE = 2
    POINTER = (40, 30)

    def program_environment(self):
        return dict(self.env, QT_SCALE_FACTOR=str(self.SCALE))

    def test_windows_twice_as_large_and_crisp(self):
        x, y, width, height = geometry(self.env, self.window)
        self.assertEqual(width, 281 * self.SCALE)
        # The street inside the picture box's two-pixel border, left of the stage.
        client_top = y + height - 177 * self.SCALE
        street = Image.open(os.path.join(IMAGES, "scene.png")).convert("RGB").crop((0, 0, 230, 130))
        shot = screenshot(self.env, os.path.join(OUTPUT, "high-density.png"))
        left, top = x + 2 * self.SCALE, client_top + 2 * self.SCALE
        seen = shot.crop((left, top, left + 230 * self.SCALE, top + 130 * self.SCALE))
        self.assertIsNone(ImageChops.difference(seen, enlarged(street, self.SCALE)).getbbox())

        window = self.run_courier()
        self.look_shaped(window)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
