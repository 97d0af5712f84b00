"""The C++ tests that make and delete data folders never touch the user's own: each is run as an
installed program (a share/pomarin folder beside its bin folder), whose data folder is the user's
~/.config/pomarin/★MailData, with a home that holds settings of its own; they must stay.

usage: test_user_settings_untouched.py TEST_PROGRAM... [-v]
"""
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

PROGRAMS = [arg for arg in sys.argv[1:] if not arg.startswith("-")]


class UserSettingsUntouched(unittest.TestCase):
    def test_each_program_leaves_the_users_data_folder(self):
        for program in PROGRAMS:
            with self.subTest(os.path.basename(program)), tempfile.TemporaryDirectory() as root:
                os.makedirs(os.path.join(root, "share", "pomarin"))
                os.makedirs(os.path.join(root, "bin"))
                copy = shutil.copy(program, os.path.join(root, "bin"))
                users = os.path.join(root, "home", ".config", "pomarin", "★MailData")
                os.makedirs(users)
                kept = os.path.join(users, "iniIdPass.ini")
                with open(kept, "wb") as file:
                    file.write(b"[EXEINI]\r\nNAME=mine\r\n")
                env = dict(os.environ, HOME=os.path.join(root, "home"), QT_QPA_PLATFORM="offscreen")
                env.pop("XDG_CONFIG_HOME", None)
                # Whether the test passes as an installed program does not matter here.
                subprocess.run([copy], env=env, cwd=root, capture_output=True, timeout=120)
                with open(kept, "rb") as file:
                    self.assertEqual(file.read(), b"[EXEINI]\r\nNAME=mine\r\n")


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0]] + [arg for arg in sys.argv[1:] if arg.startswith("-")])
