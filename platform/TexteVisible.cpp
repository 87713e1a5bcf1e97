#include "TexteVisible.h"

#include <QFontMetricsF>

#include <cmath>

namespace {

bool aMontrer(char16_t c) {
    if (c < 0x20) {
        return true;
    }
    if (c < 0x7F) {
        return false; // printable ASCII, nearly every character of a name
    }
    return c <= 0x9F                        // DEL and C1
           || c == 0x061C                   // Arabic letter mark
           || (c >= 0x200B && c <= 0x200D)  // zero-width space, non-joiner, joiner
           || c == 0x200E || c == 0x200F    // left-to-right and right-to-left marks
           || c == 0x2060 || c == 0xFEFF    // word joiner, zero-width no-break space
           || (c >= 0x2028 && c <= 0x202E)  // line, paragraph separators; embeddings, overrides
           || (c >= 0x2066 && c <= 0x2069); // isolates
}

} // namespace

QString nomVisible(const QString& nom) {
    const char16_t* const debut = reinterpret_cast<const char16_t*>(nom.utf16());
    const char16_t* const fin = debut + nom.size();
    const char16_t* p = debut;
    while (p != fin && !aMontrer(*p)) {
        ++p;
    }
    if (p == fin) {
        return nom;
    }
    QString visible = nom.left(p - debut);
    visible.reserve(nom.size() + 16);
    for (; p != fin; ++p) {
        if (aMontrer(*p)) {
            visible += QLatin1String("\\u") +
                       QString::number(uint(*p), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        } else {
            visible += QChar(*p);
        }
    }
    return visible;
}

QString bulleLitterale(const QString& texte) {
    return QStringLiteral("<p style='white-space:pre'>%1</p>").arg(texte.toHtmlEscaped());
}

int largeurTexte(const QFont& police, const QString& texte) {
    return int(std::ceil(QFontMetricsF(police).horizontalAdvance(texte)));
}
