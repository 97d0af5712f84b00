"""What the stand-ins for a desktop's services share: owning a name on the session bus and
serving it until the test closes stdin."""

import sys

import dbus
import dbus.mainloop.glib
import dbus.service
from gi.repository import GLib


def serve(name, make_object):
    """Owns name with the object make_object(bus) returns, prints "ready", and serves until
    stdin closes."""
    dbus.mainloop.glib.DBusGMainLoop(set_as_default=True)
    bus = dbus.SessionBus()
    owned = dbus.service.BusName(name, bus, do_not_queue=True)  # noqa: F841 (held while serving)
    served = make_object(bus)  # noqa: F841
    loop = GLib.MainLoop()
    GLib.io_add_watch(sys.stdin, GLib.IO_IN | GLib.IO_HUP, lambda *_: loop.quit())
    print("ready", flush=True)
    loop.run()
