#pragma once

// The library's wide texts (UTF-32 wchar_t) to and from UTF-8. What is not well-formed becomes
// U+FFFD, except a lone surrogate in a name, which becomes '?' as it always did.

#include <cstdint>
#include <string>
#include <string_view>

namespace large {

inline bool caractere(char32_t c) {
    return c < 0xD800 || (c > 0xDFFF && c <= 0x10FFFF);
}

// The bytes of `c` in UTF-8; what is not a character counts as U+FFFD.
inline std::size_t longueurUtf8(char32_t c) {
    return c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 || !caractere(c) ? 3 : 4;
}

inline char* ecrireUtf8(char* o, char32_t c) {
    if (!caractere(c)) {
        c = 0xFFFD;
    }
    if (c < 0x80) {
        *o++ = char(c);
    } else if (c < 0x800) {
        *o++ = char(0xC0 | (c >> 6));
        *o++ = char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *o++ = char(0xE0 | (c >> 12));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    } else {
        *o++ = char(0xF0 | (c >> 18));
        *o++ = char(0x80 | ((c >> 12) & 0x3F));
        *o++ = char(0x80 | ((c >> 6) & 0x3F));
        *o++ = char(0x80 | (c & 0x3F));
    }
    return o;
}

// Into `o`, whose room serves again: a pass converts a name for every entry, and growing a new
// string byte by byte was a tenth of a list's time. Most names are ASCII, copied as they are.
inline void versUtf8(std::wstring_view texte, std::string& o) {
    const auto ascii = [](wchar_t c) { return std::uint32_t(c) < 0x80; };
    const auto surrogat = [](wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; };
    std::size_t n = 0;
    bool toutAscii = true;
    for (const wchar_t c : texte) {
        toutAscii = toutAscii && ascii(c);
        n += ascii(c) ? 1 : surrogat(c) ? 1 : longueurUtf8(char32_t(c));
    }
    o.resize(n);
    char* p = o.data();
    if (toutAscii) {
        for (const wchar_t c : texte) {
            *p++ = char(c);
        }
        return;
    }
    for (const wchar_t c : texte) {
        p = surrogat(c) ? (*p = '?', p + 1) : ecrireUtf8(p, char32_t(c));
    }
}

inline std::string versUtf8(std::wstring_view texte) {
    std::string o;
    versUtf8(texte, o);
    return o;
}

// Each byte that does not begin a well-formed sequence counts for one U+FFFD.
inline std::wstring depuisUtf8(std::string_view texte) {
    std::wstring o;
    o.reserve(texte.size());
    for (std::size_t i = 0; i < texte.size();) {
        const auto b = std::uint8_t(texte[i]);
        const std::size_t n = b < 0x80             ? 1
                              : (b & 0xE0) == 0xC0 ? 2
                              : (b & 0xF0) == 0xE0 ? 3
                              : (b & 0xF8) == 0xF0 ? 4
                                                   : 0;
        char32_t c = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        bool bon = n != 0 && i + n <= texte.size();
        for (std::size_t k = 1; bon && k < n; ++k) {
            const auto suite = std::uint8_t(texte[i + k]);
            bon = (suite & 0xC0) == 0x80;
            c = (c << 6) | (suite & 0x3F);
        }
        // No overlong form: the shortest one only.
        constexpr char32_t Minimum[] = {0, 0, 0x80, 0x800, 0x10000};
        if (bon && c >= Minimum[n] && caractere(c)) {
            o += wchar_t(c);
            i += n;
        } else {
            o += wchar_t(0xFFFD);
            ++i;
        }
    }
    return o;
}

} // namespace large
