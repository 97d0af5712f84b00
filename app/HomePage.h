#pragma once

#include <QUrl>

class QWidget;

// The maker's home page: the address chosen when the program was built, or else the page that
// ships with the program, which works offline.
QUrl homePageAddress();

// Asks first; on Yes hands the page to the user's web browser, and says so when none can take it
// or when the browser fails.
void openHomePage(QWidget* parent);
