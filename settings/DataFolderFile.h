#pragma once

#include "settings/SaveFailure.h"

#include "platform/ProfileFile.h"

// The profile files in the data folder keep everything in section "EXEINI".
inline constexpr auto dataFolderSection = "EXEINI";

// Sets keys of section "EXEINI" of a profile file in the data folder, creating the folder when it
// is missing.
SaveResult writeDataFolderFile(const QString& path, const QList<ProfileFile::Entry>& entries,
                               ProfileFile::Access access);

// A key of section "EXEINI" of a profile file in the data folder, as the profile functions read it,
// and the file's encoding when asked for. A file that exists but cannot be read gives the default
// and is noted for takeReadProblems().
QByteArray readDataFolderString(const QString& path, const char* key, qsizetype bufferSize,
                                TextEncoding* encoding = nullptr);
int readDataFolderInt(const QString& path, const char* key, int defaultValue);

// The encoding the file keeps its texts in: new values are written in it.
TextEncoding dataFolderFileEncoding(const QString& path);
