#include "FinArchive.h"

#include <QByteArray>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>

namespace {

// RAR 5 and RAR 1.5 to 4 archives start with these; a self-extracting one has a program before.
constexpr char Signature5[] = "Rar!\x1A\x07\x01\x00";
constexpr char Signature4[] = "Rar!\x1A\x07\x00";
constexpr qsizetype LongueurSignature5 = 8;
constexpr qsizetype LongueurSignature4 = 7;
constexpr qint64 RechercheSignature = 4 * 1024 * 1024; // the longest program before the archive
constexpr qint64 EnTeteMax5 = 2 * 1024 * 1024;         // the format's bound on a header

enum : std::uint64_t {
    Type5Chiffrement = 4,
    Type5Fin = 5,
    Drapeau5Extra = 0x0001,
    Drapeau5Donnees = 0x0002,
};

enum : unsigned {
    Type4Premier = 0x72,
    Type4Principal = 0x73,
    Type4Fichier = 0x74,
    Type4Service = 0x7A,
    Type4Fin = 0x7B,
    Drapeau4Long = 0x8000,
    Drapeau4GrandeTaille = 0x0100,
    Drapeau4PrincipalChiffre = 0x0080,
};

constexpr std::array<std::uint32_t, 256> tableCrc() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
        }
        table[i] = c;
    }
    return table;
}

std::uint32_t crc32(const QByteArray& octets, qsizetype debut, qsizetype longueur) {
    static constexpr std::array<std::uint32_t, 256> table = tableCrc();
    std::uint32_t c = 0xFFFFFFFFU;
    for (qsizetype i = debut; i < debut + longueur; ++i) {
        c = table[(c ^ std::uint8_t(octets[i])) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

std::uint32_t le16(const QByteArray& o, qsizetype i) {
    return std::uint32_t(std::uint8_t(o[i])) | std::uint32_t(std::uint8_t(o[i + 1])) << 8;
}

std::uint32_t le32(const QByteArray& o, qsizetype i) {
    return le16(o, i) | le16(o, i + 2) << 16;
}

// A RAR 5 variable-length integer at `i`; `i` moves past it. Nothing when it runs off the bytes.
std::optional<std::uint64_t> vint(const QByteArray& o, qsizetype& i) {
    std::uint64_t valeur = 0;
    for (int decalage = 0; decalage < 64 && i < o.size(); decalage += 7) {
        const std::uint8_t octet = std::uint8_t(o[i++]);
        valeur |= std::uint64_t(octet & 0x7F) << decalage;
        if ((octet & 0x80) == 0) {
            return valeur;
        }
    }
    return std::nullopt;
}

class Fichier {
public:
    explicit Fichier(const QString& chemin)
        : f_(chemin) {}
    bool ouvrir() { return f_.open(QIODevice::ReadOnly); }
    qint64 taille() const { return f_.size(); }
    // Up to `n` bytes from `position`: fewer at the end of the file.
    QByteArray lire(qint64 position, qint64 n) {
        if (position < 0 || position >= taille() || !f_.seek(position)) {
            return {};
        }
        return f_.read(n);
    }

private:
    QFile f_;
};

// The last block of the file is a RAR 5 end-of-archive block with a valid CRC.
bool finiParBloc5(const QByteArray& queue) {
    const qsizetype n = queue.size();
    for (qsizetype debut = 0; debut + 7 <= n; ++debut) {
        qsizetype i = debut + 4;
        const std::optional<std::uint64_t> taille = vint(queue, i);
        if (!taille || std::uint64_t(n - i) != *taille) {
            continue;
        }
        const std::optional<std::uint64_t> type = vint(queue, i);
        if (type && *type == Type5Fin &&
            crc32(queue, debut + 4, n - debut - 4) == le32(queue, debut)) {
            return true;
        }
    }
    return false;
}

// The last block of the file is a RAR 1.5 to 4 end-of-archive block with a valid CRC: 7 bytes,
// and up to 6 more for the archive's data CRC and the volume number.
bool finiParBloc4(const QByteArray& queue) {
    const qsizetype n = queue.size();
    for (qsizetype taille = 7; taille <= 13 && taille <= n; ++taille) {
        const qsizetype debut = n - taille;
        if (std::uint8_t(queue[debut + 2]) == Type4Fin && le16(queue, debut + 5) == taille &&
            (crc32(queue, debut + 2, taille - 2) & 0xFFFF) == le16(queue, debut)) {
            return true;
        }
    }
    return false;
}

FinArchive parcourir5(Fichier& f, qint64 position) {
    const qint64 taille = f.taille();
    for (;;) {
        if (position >= taille) {
            return FinArchive::Tronquee; // RAR 5 archivers always end with the block
        }
        const QByteArray debut = f.lire(position, 4 + 3);
        qsizetype i = 4;
        const std::optional<std::uint64_t> longueur =
            debut.size() > 4 ? vint(debut, i) : std::nullopt;
        if (!longueur) {
            return debut.size() < 4 + 3 ? FinArchive::Tronquee : FinArchive::Inconnue;
        }
        if (*longueur == 0 || *longueur > EnTeteMax5) {
            return FinArchive::Inconnue;
        }
        const qint64 finEnTete = position + i + qint64(*longueur);
        if (finEnTete > taille) {
            return FinArchive::Tronquee;
        }
        const QByteArray entete = f.lire(position, i + qint64(*longueur));
        if (crc32(entete, 4, entete.size() - 4) != le32(entete, 0)) {
            return FinArchive::Inconnue; // damaged: the library speaks of it
        }
        const std::optional<std::uint64_t> type = vint(entete, i);
        const std::optional<std::uint64_t> drapeaux = type ? vint(entete, i) : std::nullopt;
        if (!drapeaux || *type == Type5Chiffrement) {
            return FinArchive::Inconnue;
        }
        if (*type == Type5Fin) {
            return FinArchive::Complete;
        }
        if ((*drapeaux & Drapeau5Extra) != 0 && !vint(entete, i)) {
            return FinArchive::Inconnue;
        }
        std::uint64_t donnees = 0;
        if ((*drapeaux & Drapeau5Donnees) != 0) {
            const std::optional<std::uint64_t> d = vint(entete, i);
            if (!d) {
                return FinArchive::Inconnue;
            }
            donnees = *d;
        }
        if (donnees > std::uint64_t(taille - finEnTete)) {
            return FinArchive::Tronquee;
        }
        position = finEnTete + qint64(donnees);
    }
}

FinArchive parcourir4(Fichier& f, qint64 position) {
    const qint64 taille = f.taille();
    for (;;) {
        if (position >= taille) {
            return FinArchive::Complete; // older archivers could leave the end block out
        }
        const QByteArray fixe = f.lire(position, 7);
        if (fixe.size() < 7) {
            return FinArchive::Tronquee;
        }
        const unsigned type = std::uint8_t(fixe[2]);
        const std::uint32_t drapeaux = le16(fixe, 3);
        const qint64 longueur = le16(fixe, 5);
        if (type < Type4Premier || type > Type4Fin || longueur < 7) {
            return FinArchive::Inconnue; // padding or something else after the blocks
        }
        if (position + longueur > taille) {
            return FinArchive::Tronquee;
        }
        if (type == Type4Fin) {
            return FinArchive::Complete;
        }
        if (type == Type4Principal && (drapeaux & Drapeau4PrincipalChiffre) != 0) {
            return FinArchive::Inconnue;
        }
        const QByteArray entete = f.lire(position, longueur);
        std::uint64_t donnees = 0;
        if ((drapeaux & Drapeau4Long) != 0) {
            if (longueur < 11) {
                return FinArchive::Inconnue;
            }
            donnees = le32(entete, 7);
            if ((type == Type4Fichier || type == Type4Service) &&
                (drapeaux & Drapeau4GrandeTaille) != 0 && longueur >= 36) {
                donnees |= std::uint64_t(le32(entete, 32)) << 32;
            }
        }
        if (donnees > std::uint64_t(taille - position - longueur)) {
            return FinArchive::Tronquee;
        }
        position += longueur + qint64(donnees);
    }
}

} // namespace

int formatArchive(const QString& chemin) {
    Fichier f(chemin);
    if (!f.ouvrir()) {
        return 0;
    }
    const QByteArray tete = f.lire(0, RechercheSignature + LongueurSignature5);
    const qsizetype a5 = tete.indexOf(QByteArray(Signature5, LongueurSignature5));
    const qsizetype a4 = tete.indexOf(QByteArray(Signature4, LongueurSignature4));
    if (a5 >= 0 && (a4 < 0 || a5 <= a4)) {
        return 5;
    }
    return a4 >= 0 ? 4 : 0;
}

FinArchive finArchive(const QString& volume) {
    Fichier f(volume);
    if (!f.ouvrir()) {
        return FinArchive::Inconnue;
    }
    // The usual case costs one read: the file ends with the block.
    const QByteArray queue = f.lire(std::max<qint64>(0, f.taille() - 64), 64);
    if (finiParBloc5(queue) || finiParBloc4(queue)) {
        return FinArchive::Complete;
    }
    const QByteArray tete = f.lire(0, RechercheSignature + LongueurSignature5);
    const qsizetype a5 = tete.indexOf(QByteArray(Signature5, LongueurSignature5));
    const qsizetype a4 = tete.indexOf(QByteArray(Signature4, LongueurSignature4));
    if (a5 >= 0 && (a4 < 0 || a5 <= a4)) {
        return parcourir5(f, a5 + LongueurSignature5);
    }
    if (a4 >= 0) {
        return parcourir4(f, a4 + LongueurSignature4);
    }
    return FinArchive::Inconnue;
}
