#pragma once

#include <QString>

// Typed with the input method on, an ID or a password may hold full-width forms of ASCII
// ("ｔａｒｏ") or the ideographic space: they look right and are refused. A line that says which
// holds some, for a refused login, or nothing; it never shows the password's characters.
QString fullWidthNote(const QString& id, const QString& password);
