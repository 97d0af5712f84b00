#include "platform/TextLines.h"

#include <algorithm>

std::optional<TextLine> TextLines::next() {
    if (m_position >= m_content.size())
        return std::nullopt;
    TextLine line;
    line.start = m_position;
    const auto textEnd = std::find_if(m_content.begin() + m_position, m_content.end(), isLineEnd);
    line.text = m_content.sliced(line.start, textEnd - m_content.begin() - line.start);
    line.end = line.start + line.text.size();
    line.terminated = line.end < m_content.size();
    if (line.terminated)
        line.end += m_content.sliced(line.end).startsWith("\r\n") ? 2 : 1;
    m_position = line.end;
    return line;
}

qsizetype TextLines::byteOrderMarkSize(QByteArrayView content) {
    constexpr QByteArrayView byteOrderMark = "\xEF\xBB\xBF";
    return content.startsWith(byteOrderMark) ? byteOrderMark.size() : 0;
}
