#include "app/UiFont.h"

#include <QFontMetrics>
#include <QStringList>

namespace {

QFont fontOf(const QStringList& families, double pointSize) {
    QFont font;
    font.setFamilies(families);
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace

QFont uiFont(double pointSize) {
    return fontOf({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"),
                   QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
                   QStringLiteral("Noto Sans CJK JP")},
                  pointSize);
}

bool uiFontShowsJapanese() {
    // The font's fallbacks count: any installed font that holds the characters shows them.
    const QFontMetrics metrics(uiFont(9));
    const QString sample = QStringLiteral("新着");
    for (const char32_t c : sample.toUcs4())
        if (!metrics.inFontUcs4(c))
            return false;
    return true;
}

QFont fixedPitchUiFont(double pointSize) {
    return fontOf({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                   QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans Mono CJK JP")},
                  pointSize);
}
