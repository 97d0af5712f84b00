"""Installs ぽまりん with `cmake --install` into a private prefix, checks that a desktop finds it
there (its menu entry and icons), and starts the installed program as the menu does: it keeps
all its settings in the user's configuration folder, never beside the installed program."""

import os
import shutil
import subprocess
import sys
import tempfile
import unittest

from PIL import Image

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "fixtures"))
from xsession import visible_windows, wait_for, x_session  # noqa: E402

PROGRAM, OUTPUT = sys.argv[1], sys.argv[2]
BUILD = os.path.dirname(os.path.dirname(PROGRAM))
ICON_SIZES = (16, 24, 32, 48, 64, 96, 128, 256)


class InstalledProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp()
        cls.prefix = os.path.join(cls.folder, "prefix")
        subprocess.run(["cmake", "--install", BUILD, "--prefix", cls.prefix], check=True,
                       capture_output=True)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def installed(self, *path):
        return os.path.join(self.prefix, *path)

    def test_menu_entry_icons_and_home_page_where_a_desktop_looks(self):
        entry = self.installed("share", "applications", "io.github.pomarin.Pomarin.desktop")
        checked = subprocess.run(["desktop-file-validate", entry], capture_output=True, text=True)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)
        with open(entry, encoding="utf-8") as f:
            lines = f.read().splitlines()
        self.assertIn("Exec=pomarin --config-folder", lines)
        self.assertIn("Icon=pomarin", lines)
        self.assertIn("Name[ja]=ぽまりん", lines)
        for size in ICON_SIZES:
            with Image.open(self.installed("share", "icons", "hicolor", f"{size}x{size}", "apps",
                                           "pomarin.png")) as icon:
                self.assertEqual(icon.size, (size, size))
        self.assertTrue(os.path.isfile(self.installed("share", "pomarin", "homepage",
                                                      "index.html")))

    def test_started_from_the_menu_it_keeps_its_settings_in_the_configuration_folder(self):
        config = os.path.join(self.folder, "config")
        settings = os.path.join(config, "pomarin")
        os.makedirs(os.path.join(settings, "★MailData"))
        with open(os.path.join(settings, "vbmail.ini"), "wb") as f:
            f.write(b"SMTP=\r\nPOP3=pop.example.jp\r\nMAIL=\r\nAPOP=0\r\n")
        account = os.path.join(settings, "★MailData", "iniIdPass.ini")
        with open(os.open(account, os.O_WRONLY | os.O_CREAT, 0o600), "wb") as f:
            f.write(b"[EXEINI]\r\nNAME=user\r\nNAME2=secret\r\nNAME3=1\r\n")
        home = os.path.join(self.folder, "home")
        os.mkdir(home)
        with x_session() as env:
            env = dict(env, XDG_CONFIG_HOME=config, HOME=home)
            program = subprocess.Popen([self.installed("bin", "pomarin"), "--config-folder"],
                                       cwd=home, env=env)
            try:
                wait_for(lambda: visible_windows(env, program.pid, "ぽまりん"), 20,
                         "the main window")
                # Both settings were found there: neither first-run prompt opened.
                titles = [subprocess.run(["xdotool", "getwindowname", str(w)], env=env,
                                         capture_output=True, text=True).stdout.strip()
                          for w in visible_windows(env, program.pid)]
                self.assertEqual(titles, ["ぽまりん"])
                self.assertEqual(os.readlink(f"/proc/{program.pid}/cwd"), settings)
            finally:
                program.kill()
                program.wait()
        self.assertFalse(os.path.exists(self.installed("bin", "★MailData")))
        self.assertEqual(os.listdir(home), [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
