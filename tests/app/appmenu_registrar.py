#!/usr/bin/python3
"""A stand-in for a desktop's global menu (KDE's, Unity's): owns com.canonical.AppMenu.Registrar
on the session bus, as a menu applet does, and keeps the menus that windows hand to it.

    appmenu_registrar.py

prints "ready" once the name is its own, a line "registered WINDOW" for every window that hands
over its menu, and serves until stdin closes."""

import dbus.service

import session_bus_service

NAME = "com.canonical.AppMenu.Registrar"


class Registrar(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/com/canonical/AppMenu/Registrar")
        self.menus = {}

    @dbus.service.method(NAME, in_signature="uo", sender_keyword="sender")
    def RegisterWindow(self, window, path, sender=None):
        self.menus[int(window)] = (sender, path)
        print(f"registered {int(window)}", flush=True)

    @dbus.service.method(NAME, in_signature="u")
    def UnregisterWindow(self, window):
        self.menus.pop(int(window), None)

    @dbus.service.method(NAME, in_signature="u", out_signature="so")
    def GetMenuForWindow(self, window):
        return self.menus.get(int(window), ("", "/"))


def main():
    session_bus_service.serve(NAME, Registrar)


if __name__ == "__main__":
    main()
