#!/usr/bin/python3
"""A stand-in for a desktop's notification server: owns org.freedesktop.Notifications on the
session bus, as a desktop's notification daemon does.

    notification_server.py

prints "ready" once the name is its own, then a JSON line {"app", "icon", "summary", "body",
"replaces", "has_picture"} for every notification, and serves until stdin closes."""

import json

import dbus.service

import session_bus_service

NAME = "org.freedesktop.Notifications"


class Notifications(dbus.service.Object):
    def __init__(self, bus):
        super().__init__(bus, "/org/freedesktop/Notifications")
        self.last_id = 0

    @dbus.service.method(NAME, in_signature="susssasa{sv}i", out_signature="u")
    def Notify(self, app, replaces, icon, summary, body, actions, hints, timeout):
        self.last_id += 1
        print(json.dumps({"app": str(app), "icon": str(icon), "summary": str(summary),
                          "body": str(body), "replaces": int(replaces),
                          "has_picture": "image-data" in hints}, ensure_ascii=False), flush=True)
        return self.last_id

    @dbus.service.method(NAME, out_signature="as")
    def GetCapabilities(self):
        return ["body"]

    @dbus.service.method(NAME, out_signature="ssss")
    def GetServerInformation(self):
        return ("stand-in", "pomarin tests", "1", "1.2")


def main():
    session_bus_service.serve(NAME, Notifications)


if __name__ == "__main__":
    main()
