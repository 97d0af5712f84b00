#pragma once

#include "platform/TextEncoding.h"

#include <QString>
#include <optional>

// Why a setting was not stored, worded for the user.
struct SaveFailure {
    QString message;

    static SaveFailure cannotWrite(const QString& path, const QString& reason);
    static SaveFailure cannotCreateFolder(const QString& path);
    static SaveFailure fileInPlaceOfFolder(const QString& path);
    static SaveFailure cannotStore(const QString& fieldName, const QString& characters);
};

using SaveResult = std::optional<SaveFailure>;

// The characters of text that a settings file in the encoding cannot keep: those the encoding
// cannot hold, line breaks, which would split the file's lines, and NUL. Empty when the text can
// be stored as it is.
QString unstorableCharacters(const QString& text, TextEncoding encoding = {});

// The failure that names the field when its text cannot be stored, or nothing.
std::optional<SaveFailure> checkStorable(const QString& fieldName, const QString& text,
                                         TextEncoding encoding = {});
