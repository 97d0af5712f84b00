"""HangUpDialUp against a mock NetworkManager on a private system bus, one process per case.

Run as: /usr/bin/python3 test_hangup_dialup.py PATH/TO/hangup_dialup_once [unittest options]
"""

import contextlib
import json
import os
import selectors
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures"))
import networkmanager  # noqa: E402

HELPER = None  # set from the command line

BOUND = 1.0  # DialUpConnections::listingBoundMs
AT_ONCE = 0.5  # well under the bound: nothing was waited for
SLACK = 0.5  # for a loaded machine

# In NetworkManager's order; only gsm and bluetooth dial-up networking are dial-up.
CONNECTIONS = [
    {"id": "wired", "type": "802-3-ethernet"},
    {"id": "mobile", "type": "gsm"},
    {"id": "tethering", "type": "bluetooth", "bluetooth": "panu"},
    {"id": "phone", "type": "bluetooth", "bluetooth": "dun"},
]

# name: (what the system bus holds, what stalls, connections hung up in order, most seconds)
CASES = {
    "dial-ups among others": ("networkmanager", None, ["mobile", "phone"], BOUND),
    "NetworkManager answers nothing": ("networkmanager", "networkmanager", [], BOUND + SLACK),
    "the system bus answers nothing": ("networkmanager", "bus", [], BOUND + SLACK),
    "no NetworkManager": ("bus", None, [], AT_ONCE),
    "no system bus": (None, None, [], AT_ONCE),
}


def wait_until(condition, timeout):
    deadline = time.monotonic() + timeout
    while not condition() and time.monotonic() < deadline:
        time.sleep(0.02)


class HangUpDialUpTest(unittest.TestCase):
    def hang_up(self, address):
        """Starts the helper and returns it with the seconds HangUpDialUp took."""
        helper = subprocess.Popen([HELPER], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                  stderr=subprocess.PIPE,
                                  env=dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=address))
        self.addCleanup(helper.kill)
        selector = selectors.DefaultSelector()
        selector.register(helper.stdout, selectors.EVENT_READ)
        self.assertTrue(selector.select(30), "HangUpDialUp did not return")
        return helper, json.loads(helper.stdout.readline())["milliseconds"] / 1000

    def test_hangs_up_only_active_dial_ups_and_never_waits_long(self):
        for name, (holds, stalls, hung_up, most_seconds) in CASES.items():
            with self.subTest(name), contextlib.ExitStack() as stack:
                if holds:
                    mock = stack.enter_context(networkmanager.serving(
                        CONNECTIONS, networkmanager=holds == "networkmanager"))
                    address = mock.address
                else:
                    address = "unix:path=" + os.path.join(
                        stack.enter_context(tempfile.TemporaryDirectory()), "no_bus_socket")
                with mock.stalled(stalls) if stalls else contextlib.nullcontext():
                    helper, seconds = self.hang_up(address)
                self.assertLess(seconds, most_seconds)

                if holds == "networkmanager":
                    # Hang-ups are not waited for: give them, and any that should not come, time.
                    wait_until(lambda: len(mock.deactivated()) >= len(hung_up), 5)
                    time.sleep(0.3)
                    self.assertEqual(mock.deactivated(), [mock.active[key] for key in hung_up])
                    self.assertEqual(mock.active_paths(),
                                     [path for key, path in mock.active.items()
                                      if key not in hung_up])
                _, errors = helper.communicate(timeout=10)
                self.assertEqual(errors.decode(), "", "it shows nothing")
                self.assertEqual(helper.returncode, 0)


if __name__ == "__main__":
    HELPER = sys.argv.pop(1)
    unittest.main()
