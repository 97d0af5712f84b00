#pragma once

#include "settings/SaveFailure.h"

#include "platform/ProfileFile.h"

// The profile files in the data folder keep everything in section "EXEINI".
inline constexpr auto dataFolderSection = "EXEINI";

// Sets keys of section "EXEINI" of a profile file in the data folder, creating the folder when it
// is missing.
SaveResult writeDataFolderFile(const QString& path, const QList<ProfileFile::Entry>& entries,
                               ProfileFile::Access access);

// A key of section "EXEINI" of a profile file in the data folder, as the profile functions read it.
// A file that exists but cannot be read gives the default and is noted for takeReadProblems().
QByteArray readDataFolderString(const QString& path, const char* key, qsizetype bufferSize);
int readDataFolderInt(const QString& path, const char* key, int defaultValue);
