"""The courier on a real X server with a window manager: it appears at the pointer, shaped to its
picture, stays above ordinary windows, walks, can be dragged and called back, and a right click on
it ends the program."""

import os
import subprocess
import sys
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from xsession import (ProgramOnX11, geometry, run, screenshot,  # noqa: E402
                      visible_windows, wait_for)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
IMAGES = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "images")
BACKDROP = (255, 0, 255)  # a colour no frame uses, so that what the shape cuts away shows
KEY = (160, 160, 160)
POINTER = (120, 100)


def frame_pictures():
    return [Image.open(os.path.join(IMAGES, f"frame{i}.png")).convert("RGB") for i in range(8)]


def find_courier(shot, near, reach=16):
    """Where on the screenshot one of the frames' figures stands whole, searched within reach
    pixels of near (the courier walks on while the screenshot is taken): (x, y, frame) or None."""
    for frame in frame_pictures():
        figure = [(x, y) for y in range(64) for x in range(64) if frame.getpixel((x, y)) != KEY]
        probes = figure[:: max(1, len(figure) // 12)]
        for dy in range(-reach, reach + 1):
            for dx in range(-reach, reach + 1):
                left, top = near[0] + dx, near[1] + dy
                seen = lambda p: shot.getpixel((left + p[0], top + p[1]))
                if all(seen(p) == frame.getpixel(p) for p in probes) and \
                        all(seen(p) == frame.getpixel(p) for p in figure):
                    return left, top, frame
    return None


def solid_point():
    """A point inside the figure in every frame, well away from its edges."""
    masks = frame_pictures()
    margin = 6
    for y in range(margin, 64 - margin):
        for x in range(margin, 64 - margin):
            if all(mask.getpixel((x + dx, y + dy)) != KEY for mask in masks
                   for dx in range(-margin, margin + 1, margin)
                   for dy in range(-margin, margin + 1, margin)):
                return x, y
    raise AssertionError("the frames share no solid point")


class CourierOnX11(ProgramOnX11):
    PROGRAM = PROGRAM

    def prepare_session(self):
        subprocess.run(["xsetroot", "-solid", "#%02x%02x%02x" % BACKDROP], env=self.env, check=True)

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def courier(self):
        return visible_windows(self.env, self.program.pid, "飛脚")

    def look(self, window):
        """A screenshot with the courier found on it, near where the window manager last put it."""
        x, y, width, height = geometry(self.env, window)
        self.assertEqual((width, height), (64, 64))
        shot = screenshot(self.env)
        found = find_courier(shot, (x, y))
        self.assertIsNotNone(found, "the courier's figure is not on the screen")
        return shot, found

    def run_courier(self):
        self.xdotool("mousemove", *map(str, POINTER))
        self.choose("飛脚を走らせる")
        window = wait_for(self.courier, 10, "the courier window")[0]
        # Each time it is shown: not in the task bar, the pager or the window switcher.
        state = run(self.env, "xprop", "-id", str(window), "_NET_WM_STATE")
        self.assertIn("_NET_WM_STATE_SKIP_TASKBAR", state)
        self.assertIn("_NET_WM_STATE_SKIP_PAGER", state)
        return window

    def test_courier_runs_shaped_above_other_windows(self):
        window = self.run_courier()
        time.sleep(0.5)  # until its first tick it is an unshaped square
        shot, (x, y, frame) = self.look(window)
        self.assertLess(abs(x - POINTER[0]) + abs(y - POINTER[1]), 60, (x, y))
        # Where the shape cuts the picture away, the backdrop shows.
        look = shot.crop((x, y, x + 64, y + 64))
        for point in ((px, py) for py in range(64) for px in range(64)):
            if frame.getpixel(point) == KEY:
                self.assertEqual(look.getpixel(point), BACKDROP, point)
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
        time.sleep(0.5)
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
        x, y, _, _ = geometry(self.env, window)
        self.xdotool("mousemove", str(x + solid[0]), str(y + solid[1]))
        self.xdotool("mousedown", "1")
        # While dragged it follows the pointer and nothing else: the walk waits.
        for step in range(1, 11):
            self.xdotool("mousemove", str(x + solid[0] + 20 * step), str(y + solid[1] + 10 * step))
            time.sleep(0.1)
            place = geometry(self.env, window)[:2]
            self.assertLessEqual(abs(place[0] - (x + 20 * step)) + abs(place[1] - (y + 10 * step)),
                                 2, f"step {step}: at {place}")
        self.xdotool("mouseup", "1")
        dropped = geometry(self.env, window)[:2]
        wait_for(lambda: geometry(self.env, window)[:2] != dropped, 5, "the walk to go on")

        self.choose("飛脚を戻す")
        wait_for(lambda: not self.courier(), 5, "the courier to go")
        self.assertIn("IsUnMapped", run(self.env, "xwininfo", "-id", str(window)))
        self.choose("飛脚を戻す")  # calling it back twice is harmless
        time.sleep(0.5)
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


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
