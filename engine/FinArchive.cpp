#include "FinArchive.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Bytes read from the file, indexed as the format counts: signed, so that bounds read plainly.
class Octets {
public:
    Octets() = default;
    explicit Octets(std::string o)
        : o_(std::move(o)) {}
    std::int64_t size() const { return std::int64_t(o_.size()); }
    char operator[](std::int64_t i) const { return o_[std::size_t(i)]; }
    std::int64_t indexOf(std::string_view motif) const {
        const std::size_t p = o_.find(motif);
        return p == std::string::npos ? -1 : std::int64_t(p);
    }

private:
    std::string o_;
};

// RAR 5 and RAR 1.5 to 4 archives start with these; a self-extracting one has a program before.
constexpr char Signature5[] = "Rar!\x1A\x07\x01\x00";
constexpr char Signature4[] = "Rar!\x1A\x07\x00";
constexpr std::int64_t LongueurSignature5 = 8;
constexpr std::int64_t LongueurSignature4 = 7;
constexpr std::int64_t RechercheSignature =
    4 * 1024 * 1024;                                 // the longest program before the archive
constexpr std::int64_t EnTeteMax5 = 2 * 1024 * 1024; // the format's bound on a header

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

std::uint32_t crc32(const Octets& octets, std::int64_t debut, std::int64_t longueur) {
    static constexpr std::array<std::uint32_t, 256> table = tableCrc();
    std::uint32_t c = 0xFFFFFFFFU;
    for (std::int64_t i = debut; i < debut + longueur; ++i) {
        c = table[(c ^ std::uint8_t(octets[i])) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFU;
}

std::uint32_t le16(const Octets& o, std::int64_t i) {
    return std::uint32_t(std::uint8_t(o[i])) | std::uint32_t(std::uint8_t(o[i + 1])) << 8;
}

std::uint32_t le32(const Octets& o, std::int64_t i) {
    return le16(o, i) | le16(o, i + 2) << 16;
}

// A RAR 5 variable-length integer at `i`; `i` moves past it. Nothing when it runs off the bytes.
std::optional<std::uint64_t> vint(const Octets& o, std::int64_t& i) {
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
    explicit Fichier(const std::string& chemin)
        : chemin_(chemin) {}
    ~Fichier() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Fichier(const Fichier&) = delete;
    Fichier& operator=(const Fichier&) = delete;
    bool ouvrir() {
        fd_ = ::open(chemin_.c_str(), O_RDONLY | O_CLOEXEC);
        struct stat s {};
        if (fd_ < 0 || ::fstat(fd_, &s) != 0) {
            return false;
        }
        taille_ = std::int64_t(s.st_size);
        return true;
    }
    std::int64_t taille() const { return taille_; }
    // Up to `n` bytes from `position`: fewer at the end of the file.
    Octets lire(std::int64_t position, std::int64_t n) {
        if (position < 0 || position >= taille() || n <= 0) {
            return {};
        }
        std::string o(std::size_t(std::min(n, taille() - position)), '\0');
        std::size_t lu = 0;
        while (lu < o.size()) {
            const ssize_t r =
                ::pread(fd_, o.data() + lu, o.size() - lu, off_t(position) + off_t(lu));
            if (r <= 0) {
                break;
            }
            lu += std::size_t(r);
        }
        o.resize(lu);
        return Octets(std::move(o));
    }

private:
    std::string chemin_;
    int fd_ = -1;
    std::int64_t taille_ = 0;
};

// The last block of the file is a RAR 5 end-of-archive block with a valid CRC.
bool finiParBloc5(const Octets& queue) {
    const std::int64_t n = queue.size();
    for (std::int64_t debut = 0; debut + 7 <= n; ++debut) {
        std::int64_t i = debut + 4;
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
bool finiParBloc4(const Octets& queue) {
    const std::int64_t n = queue.size();
    for (std::int64_t taille = 7; taille <= 13 && taille <= n; ++taille) {
        const std::int64_t debut = n - taille;
        if (std::uint8_t(queue[debut + 2]) == Type4Fin && le16(queue, debut + 5) == taille &&
            (crc32(queue, debut + 2, taille - 2) & 0xFFFF) == le16(queue, debut)) {
            return true;
        }
    }
    return false;
}

FinArchive parcourir5(Fichier& f, std::int64_t position) {
    const std::int64_t taille = f.taille();
    for (;;) {
        if (position >= taille) {
            return FinArchive::Tronquee; // RAR 5 archivers always end with the block
        }
        const Octets debut = f.lire(position, 4 + 3);
        std::int64_t i = 4;
        const std::optional<std::uint64_t> longueur =
            debut.size() > 4 ? vint(debut, i) : std::nullopt;
        if (!longueur) {
            return debut.size() < 4 + 3 ? FinArchive::Tronquee : FinArchive::Inconnue;
        }
        if (*longueur == 0 || *longueur > EnTeteMax5) {
            return FinArchive::Inconnue;
        }
        const std::int64_t finEnTete = position + i + std::int64_t(*longueur);
        if (finEnTete > taille) {
            return FinArchive::Tronquee;
        }
        const Octets entete = f.lire(position, i + std::int64_t(*longueur));
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
        position = finEnTete + std::int64_t(donnees);
    }
}

FinArchive parcourir4(Fichier& f, std::int64_t position) {
    const std::int64_t taille = f.taille();
    for (;;) {
        if (position >= taille) {
            return FinArchive::Complete; // older archivers could leave the end block out
        }
        const Octets fixe = f.lire(position, 7);
        if (fixe.size() < 7) {
            return FinArchive::Tronquee;
        }
        const unsigned type = std::uint8_t(fixe[2]);
        const std::uint32_t drapeaux = le16(fixe, 3);
        const std::int64_t longueur = le16(fixe, 5);
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
        const Octets entete = f.lire(position, longueur);
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
        position += longueur + std::int64_t(donnees);
    }
}

// The archive's format and where its signature ends; format 0 when there is none.
struct Signature {
    int format = 0;
    std::int64_t fin = 0;
};

// The first signature from the start, read in pieces that overlap by a signature's length: an
// archive that rar made has it at 0, and a pass opens the archive at every start, so neither the
// reads nor the memory should be those of the longest program.
Signature signature(Fichier& f) {
    constexpr std::int64_t Morceau = 64 * 1024;
    for (std::int64_t position = 0; position < RechercheSignature; position += Morceau) {
        const Octets o =
            f.lire(position, std::min(Morceau, RechercheSignature - position) + LongueurSignature5);
        const std::int64_t a5 = o.indexOf(std::string_view(Signature5, LongueurSignature5));
        const std::int64_t a4 = o.indexOf(std::string_view(Signature4, LongueurSignature4));
        if (a5 >= 0 && (a4 < 0 || a5 <= a4)) {
            return {5, position + a5 + LongueurSignature5};
        }
        if (a4 >= 0) {
            return {4, position + a4 + LongueurSignature4};
        }
        if (o.size() <= Morceau) {
            break; // the file's end
        }
    }
    return {};
}

} // namespace

int formatArchive(const std::string& chemin) {
    Fichier f(chemin);
    return f.ouvrir() ? signature(f).format : 0;
}

FinArchive finArchive(const std::string& volume) {
    Fichier f(volume);
    if (!f.ouvrir()) {
        return FinArchive::Inconnue;
    }
    // The usual case costs one read: the file ends with the block.
    const Octets queue = f.lire(std::max<std::int64_t>(0, f.taille() - 64), 64);
    if (finiParBloc5(queue) || finiParBloc4(queue)) {
        return FinArchive::Complete;
    }
    const Signature s = signature(f);
    return s.format == 5   ? parcourir5(f, s.fin)
           : s.format == 4 ? parcourir4(f, s.fin)
                           : FinArchive::Inconnue;
}
