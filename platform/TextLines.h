#pragma once

#include <QByteArrayView>
#include <optional>

// One line of a text: its text without the line end, and where the line (with its end) lies.
struct TextLine {
    QByteArrayView text;
    qsizetype start = 0;
    qsizetype end = 0;
    bool terminated = false;
};

// The lines of a settings file as Windows reads them: each ends at CR LF, at a lone LF (files
// edited with Linux tools) or at a lone CR (files from old Mac editors).
class TextLines {
public:
    // Lines from position from on; their positions are in content.
    explicit TextLines(QByteArrayView content, qsizetype from = 0)
        : m_content(content), m_position(from) {}

    std::optional<TextLine> next();

    static bool isLineEnd(char c) { return c == '\r' || c == '\n'; }
    // Editors that save UTF-8 may put a byte-order mark before the first line; it is not part of
    // that line, which would otherwise hide what the line holds. Its size, or 0 without one.
    static qsizetype byteOrderMarkSize(QByteArrayView content);

private:
    QByteArrayView m_content;
    qsizetype m_position;
};
