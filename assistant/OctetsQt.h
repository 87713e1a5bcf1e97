#pragma once

// The protocol's bytes (Protocole.h, in the C++ library's types) seen through Qt's, and back: the
// window converts at its edges.

#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>

#include <string>
#include <string_view>

namespace assistant {

inline std::string_view vue(QByteArrayView o) {
    return {o.data(), std::size_t(o.size())};
}

inline QByteArrayView vueQt(std::string_view o) {
    return {o.data(), qsizetype(o.size())};
}

// Encoded straight into the string, which the caller may then wipe: a password leaves no other
// copy behind.
inline std::string utf8(QStringView texte) {
    QStringEncoder encodeur(QStringEncoder::Utf8, QStringConverter::Flag::Stateless);
    std::string o(std::size_t(texte.size()) * 3, '\0');
    char* const fin = encodeur.appendToBuffer(o.data(), texte);
    o.resize(std::size_t(fin - o.data()));
    return o;
}

} // namespace assistant
