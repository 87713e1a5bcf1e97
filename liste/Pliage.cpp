#include "Pliage.h"

#include <QList>
#include <QString>

#include <memory>

namespace pliage {

namespace {

// The letters that keep their shape through NFKD, once case-folded, and how they are typed plainly.
struct Lettre {
    char16_t lettre;
    const char* simple;
};
constexpr Lettre SansDecomposition[] = {
    {u'œ', "oe"}, {u'æ', "ae"}, {u'ß', "ss"}, {u'þ', "th"}, {u'ø', "o"}, {u'đ', "d"},
    {u'ð', "d"},  {u'ł', "l"},  {u'ħ', "h"},  {u'ı', "i"},  {u'ŧ', "t"},
};

QString sansDecomposition(QChar c) {
    for (const auto& [lettre, simple] : SansDecomposition) {
        if (c.unicode() == lettre) {
            return QString::fromLatin1(simple);
        }
    }
    return c;
}

// The fold of one character. A string's fold is that of each of its characters in turn: the marks
// that canonical reordering would move are dropped anyway, and Qt's case folding maps one
// character to one.
QByteArray plierLentement(char32_t c) {
    const QString decompose = QString::fromUcs4(&c, 1).normalized(QString::NormalizationForm_KD);
    QString sansMarques;
    for (const char32_t d : decompose.toUcs4()) {
        if (!QChar::isMark(d)) {
            sansMarques += QString::fromUcs4(&d, 1);
        }
    }
    QString pli;
    for (const QChar d : sansMarques.toCaseFolded()) {
        pli += sansDecomposition(d);
    }
    return pli.toUtf8();
}

// The folds of the characters of the BMP met so far, in UTF-8: their bytes, then their count plus
// one in the top byte. 0: not met yet; Long: more than 7 bytes, folded each time.
constexpr quint64 Long = quint64(0xFF) << 56;

quint64& pliConnu(char16_t c) {
    static const std::unique_ptr<quint64[]> plis = std::make_unique<quint64[]>(0x10000);
    quint64& pli = plis[c];
    if (pli == 0) {
        const QByteArray octets = plierLentement(c);
        if (octets.size() > 7) {
            pli = Long;
        } else {
            for (qsizetype i = 0; i < octets.size(); ++i) {
                pli |= quint64(quint8(octets[i])) << (8 * i);
            }
            pli |= quint64(octets.size() + 1) << 56;
        }
    }
    return pli;
}

} // namespace

void plier(QStringView texte, QByteArray& pli) {
    const char16_t* p = texte.utf16();
    const char16_t* const fin = p + texte.size();
    while (p != fin) {
        char32_t c = *p++;
        if (c < 0x80) {
            pli += char(c - 'A' < 26 ? c + ('a' - 'A') : c);
            continue;
        }
        if (QChar::isSurrogate(c)) {
            if (QChar::isHighSurrogate(c) && p != fin && QChar::isLowSurrogate(*p)) {
                pli += plierLentement(QChar::surrogateToUcs4(char16_t(c), *p++));
                continue;
            }
            c = QChar::ReplacementCharacter; // as the list shows a lone half
        }
        const quint64 connu = pliConnu(char16_t(c));
        if (connu == Long) {
            pli += plierLentement(c);
            continue;
        }
        for (int i = 0; i < int(connu >> 56) - 1; ++i) {
            pli += char(connu >> (8 * i));
        }
    }
}

QByteArray plier(QStringView texte) {
    QByteArray pli;
    pli.reserve(texte.size());
    plier(texte, pli);
    return pli;
}

bool imprimable(const char* octets, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        if (uchar(octets[i]) < 0x20 || uchar(octets[i]) > 0x7E) {
            return false;
        }
    }
    return true;
}

Aiguille::Aiguille(const QByteArray& pli)
    : longueur_(std::size_t(pli.size()))
    , pli_(pli + QByteArray(16, '\0')) {
#if defined(__SSE2__)
    premier_ = _mm_set1_epi8(pli_.front());
    dernier_ = _mm_set1_epi8(longueur_ == 0 ? '\0' : pli_[qsizetype(longueur_) - 1]);
#endif
}

} // namespace pliage
