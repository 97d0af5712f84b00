"""The courier on a real X server with a window manager: it appears at the pointer, shaped to its
picture, stays above ordinary windows, walks, can be dragged and called back, and a right click on
it ends the program."""

import os
import subprocess
import sys
import tempfile
import time
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from xsession import (differs, geometry, run, screenshot, visible_windows,  # noqa: E402
                      wait_for, x_session)

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
IMAGES = os.path.join(os.path.dirname(__file__), "..", "..", "resources", "images")
BACKDROP = (255, 0, 255)  # a colour no frame uses, so that what the shape cuts away shows
KEY = (160, 160, 160)
POINTER = (120, 100)


def frames_over_backdrop():
    """Each of the eight frames as it must look on the backdrop: the key colour cut away."""
    looks = []
    for index in range(8):
        frame = Image.open(os.path.join(IMAGES, f"frame{index % 4}.png")).convert("RGB")
        looks.append(frame)
        pixels = frame.load()
        for y in range(64):
            for x in range(64):
                if pixels[x, y] == KEY:
                    pixels[x, y] = BACKDROP
    return looks


def shows_figure(look):
    """Whether the courier's own pixels of some frame are all on screen, whatever is around."""
    for index in range(4):
        frame = Image.open(os.path.join(IMAGES, f"frame{index}.png")).convert("RGB")
        figure = [(x, y) for y in range(64) for x in range(64) if frame.getpixel((x, y)) != KEY]
        if all(look.getpixel(p) == frame.getpixel(p) for p in figure):
            return True
    return False


def solid_point():
    """A point inside the figure in every frame, well away from its edges."""
    masks = [Image.open(os.path.join(IMAGES, f"frame{i}.png")).convert("RGB") for i in range(4)]
    margin = 6
    for y in range(margin, 64 - margin):
        for x in range(margin, 64 - margin):
            if all(mask.getpixel((x + dx, y + dy)) != KEY for mask in masks
                   for dx in range(-margin, margin + 1, margin)
                   for dy in range(-margin, margin + 1, margin)):
                return x, y
    raise AssertionError("the frames share no solid point")


class CourierOnX11(unittest.TestCase):
    def setUp(self):
        self.session = x_session()
        self.env = self.session.__enter__()
        self.addCleanup(self.session.__exit__, None, None, None)
        subprocess.run(["xsetroot", "-solid", "#%02x%02x%02x" % BACKDROP], env=self.env, check=True)
        self.workdir = tempfile.TemporaryDirectory()
        self.addCleanup(self.workdir.cleanup)
        with open(os.path.join(self.workdir.name, "vbmail.ini"), "wb") as settings:
            settings.write(b"SMTP=\r\nPOP3=pop.example.jp\r\nMAIL=\r\nAPOP=0\r\n")
        self.program = subprocess.Popen([PROGRAM], cwd=self.workdir.name, env=self.env)
        self.addCleanup(self.stop_program)
        self.main = wait_for(lambda: visible_windows(self.env, self.program.pid, "ぽまりん"),
                             20, "the main window")[0]

    def stop_program(self):
        if self.program.poll() is None:
            self.program.kill()
            self.program.wait()

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True)

    def choose(self, downs):
        """Chooses the file menu's item that lies downs items below its first."""
        self.xdotool("windowactivate", "--sync", str(self.main))
        self.xdotool("key", "--window", str(self.main), "alt+f")
        time.sleep(0.3)
        for _ in range(downs):
            self.xdotool("key", "Down")
        self.xdotool("key", "Return")

    def courier(self):
        return visible_windows(self.env, self.program.pid, "飛脚")

    def steady_look(self, window):
        """The courier's place and a picture of it, taken while it stood still."""
        for _ in range(20):
            before = geometry(self.env, window)
            shot = screenshot(self.env)
            if geometry(self.env, window) == before:
                x, y, width, height = before
                return before, shot.crop((x, y, x + width, y + height))
        raise AssertionError("the courier never stood still long enough for a picture")

    def run_courier(self):
        self.xdotool("mousemove", *map(str, POINTER))
        self.choose(4)  # 飛脚を走らせる
        return wait_for(self.courier, 10, "the courier window")[0]

    def test_courier_runs_shaped_above_other_windows(self):
        window = self.run_courier()
        time.sleep(0.5)  # until its first tick it is an unshaped square
        (x, y, width, height), look = self.steady_look(window)
        self.assertEqual((width, height), (64, 64))
        self.assertLess(abs(x - POINTER[0]) + abs(y - POINTER[1]), 60, (x, y))
        # Where the shape cuts the picture away, the backdrop shows: the window shows exactly
        # the non-key pixels of one of its frames.
        self.assertTrue(any(not differs(look, frame) for frame in frames_over_backdrop()),
                        "the courier's pixels match none of its frames")
        look.resize((256, 256), Image.NEAREST).save(os.path.join(OUTPUT, "courier.png"))
        screenshot(self.env, os.path.join(OUTPUT, "courier-desktop.png"))

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
        _, look = self.steady_look(window)
        self.assertTrue(shows_figure(look), "the ordinary window covers the courier")

        # It walks on: over a few ticks it stands somewhere else.
        start = geometry(self.env, window)[:2]
        wait_for(lambda: geometry(self.env, window)[:2] != start, 5, "the courier to move")

    def test_courier_is_dragged_called_back_and_ends_the_program(self):
        window = self.run_courier()
        solid = solid_point()
        x, y, _, _ = geometry(self.env, window)
        self.xdotool("mousemove", str(x + solid[0]), str(y + solid[1]))
        self.xdotool("mousedown", "1")
        for step in range(1, 11):
            self.xdotool("mousemove", str(x + solid[0] + 20 * step), str(y + solid[1] + 10 * step))
            time.sleep(0.05)
        self.xdotool("mouseup", "1")
        dragged_x, dragged_y, _, _ = geometry(self.env, window)
        self.assertGreater(dragged_x - x, 120, "the drag did not carry the courier")
        self.assertGreater(dragged_y - y, 50)

        self.choose(5)  # 飛脚を戻す
        wait_for(lambda: not self.courier(), 5, "the courier to go")
        self.assertIn("IsUnMapped", run(self.env, "xwininfo", "-id", str(window)))
        self.choose(5)  # calling it back twice is harmless
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
