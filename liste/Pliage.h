#pragma once

// What the filter compares: names folded without case, accents, ligatures or compatibility forms
// ("Cœur ﬁnal.TXT" and "coeur final.txt" fold alike), in UTF-8, and the search of a folded text
// in them.

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <bit>
#include <cstddef>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pliage {

// Appends to `pli` the fold of `texte`: each character decomposed (NFKD), its marks dropped, its
// case folded, and the few letters that Unicode does not decompose spelt out (œ: "oe", ß: "ss",
// ø: "o", þ: "th"...). Printable ASCII only loses its capitals.
void plier(QStringView texte, QByteArray& pli);
QByteArray plier(QStringView texte);

// Whether `octets` are all printable ASCII: their fold is themselves, capitals aside.
bool imprimable(const char* octets, std::size_t n);

// The bytes past the end of a text that Aiguille::dans() may read, and that must be readable.
inline constexpr std::size_t Marge = 16;

// A fold searched for in many texts, made ready once.
class Aiguille {
public:
    explicit Aiguille(const QByteArray& pli);
    static constexpr std::size_t Absente = std::size_t(-1);
    // Whether the `n` bytes at `texte`, with their ASCII capitals taken as small letters, hold
    // the fold. Reads up to Marge - 1 bytes past `texte + n`.
    bool dans(const char* texte, std::size_t n) const { return trouver(texte, n) != Absente; }
    // Where the fold first shows in those bytes, or Absente.
    std::size_t trouver(const char* texte, std::size_t n) const {
        const std::size_t m = longueur_;
        const auto* h = reinterpret_cast<const unsigned char*>(texte);
        if (m == 0) {
            return 0;
        }
#if defined(__SSE2__)
        // Sixteen places at once, the candidates being those where both the fold's first and
        // last bytes are.
        for (std::size_t i = 0; i + m <= n; i += 16) {
            auto candidats = unsigned(
                _mm_movemask_epi8(_mm_and_si128(_mm_cmpeq_epi8(petites(h + i), premier_),
                                                _mm_cmpeq_epi8(petites(h + i + m - 1), dernier_))));
            for (; candidats != 0; candidats &= candidats - 1) {
                const std::size_t k = i + std::size_t(std::countr_zero(candidats));
                if (k + m > n) {
                    return Absente;
                }
                if (pareil(h + k)) {
                    return k;
                }
            }
        }
#else
        for (std::size_t k = 0; k + m <= n; ++k) {
            if (pareil(h + k)) {
                return k;
            }
        }
#endif
        return Absente;
    }

private:
    // Whether the fold is at `h`.
    bool pareil(const unsigned char* h) const {
        const auto* a = reinterpret_cast<const unsigned char*>(pli_.constData());
#if defined(__SSE2__)
        // By sixteen bytes too: the fold is followed by sixteen zeros, and the text by Marge bytes.
        for (std::size_t j = 0; j < longueur_; j += 16) {
            const auto differents =
                ~unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(
                    petites(h + j), _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + j))))) &
                0xFFFFu;
            if (differents != 0 && std::size_t(std::countr_zero(differents)) < longueur_ - j) {
                return false;
            }
        }
#else
        for (std::size_t j = 0; j < longueur_; ++j) {
            if ((unsigned(h[j] - 'A') < 26 ? h[j] + ('a' - 'A') : h[j]) != a[j]) {
                return false;
            }
        }
#endif
        return true;
    }
#if defined(__SSE2__)
    static __m128i petites(const unsigned char* p) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        // 'A' to 'Z' moved to the bottom of the signed bytes, where one comparison finds them.
        const __m128i capitales = _mm_cmplt_epi8(_mm_add_epi8(x, _mm_set1_epi8(char(0x80 - 'A'))),
                                                 _mm_set1_epi8(char(-0x80 + 26)));
        return _mm_add_epi8(x, _mm_and_si128(capitales, _mm_set1_epi8('a' - 'A')));
    }
    __m128i premier_;
    __m128i dernier_;
#endif
    std::size_t longueur_;
    QByteArray pli_; // then sixteen zeros
};

} // namespace pliage
