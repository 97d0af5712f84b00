#pragma once

#include <QString>

// Why a file operation failed, for a message to the user: the common reasons in Japanese, as the
// rest of the message is, and any other as the system says it.
QString systemReason(int error);
