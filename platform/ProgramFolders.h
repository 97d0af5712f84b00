#pragma once

#include <QString>

// Where the program finds what ships with it and keeps what the user sets. From its build folder
// or a copied distribution folder, everything lies beside the program; installed (the program in
// PREFIX/bin, its files in PREFIX/share/pomarin), the program's folder is not the user's to write.

// The folder that holds what ships with the program: PREFIX/share/pomarin when installed, else
// the program's own folder.
QString shippedFilesFolder();

// Whether the program runs installed rather than from a folder of its own.
bool runsInstalled();

// The user's settings folder for an installed program: $XDG_CONFIG_HOME/pomarin, by default
// ~/.config/pomarin.
QString userSettingsFolder();
