#pragma once

#include <QByteArray>
#include <QString>

// A picture for a notification, as the notification server takes it: 8-bit RGBA rows.
struct NotificationPicture {
    int width = 0;
    int height = 0;
    QByteArray rgba; // width * 4 bytes a row, top row first
};

// Shows text as a desktop notification (org.freedesktop.Notifications on the session bus) from
// the program: its name, its icon by name ("pomarin", for an installed copy) and picture. Each
// replaces the one shown before, so that notifications do not pile up. Nothing is waited for:
// where no notification server runs (or no session bus), nothing shows and nothing else happens.
void notifyDesktop(const QString& text, const NotificationPicture& picture);
