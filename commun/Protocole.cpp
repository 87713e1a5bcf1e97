#include "Protocole.h"

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace protocole {

namespace {

constexpr std::size_t TailleEnTete = 5;

// Little-endian on every machine, whatever its own order.
template <typename T> void ecrireLE(T v, char* o) {
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        o[i] = char(std::uint8_t(std::uint64_t(v) >> (8 * i)));
    }
}

template <typename T> T lireLE(const char* o) {
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) {
        v |= std::uint64_t(std::uint8_t(o[i])) << (8 * i);
    }
    return T(v);
}

} // namespace

void Redaction::debut(Type type) {
    debut_ = tampon_.size();
    tampon_.resize(debut_ + TailleEnTete); // the length is written at fin()
    tampon_[debut_] = char(type);
}

void Redaction::u32(std::uint32_t v) {
    char b[4];
    ecrireLE(v, b);
    tampon_.append(b, 4);
}

void Redaction::i64(std::int64_t v) {
    char b[8];
    ecrireLE(v, b);
    tampon_.append(b, 8);
}

void Redaction::octets(std::string_view v) {
    u32(std::uint32_t(v.size()));
    tampon_.append(v);
}

void Redaction::fin() {
    const auto longueur = std::uint32_t(tampon_.size() - debut_ - TailleEnTete);
    ecrireLE(longueur, tampon_.data() + debut_ + 1);
}

bool Lecture::disponible(std::size_t n) {
    if (!ok_ || n > charge_.size() - position_) {
        ok_ = false;
        return false;
    }
    return true;
}

std::uint8_t Lecture::u8() {
    return disponible(1) ? std::uint8_t(charge_[position_++]) : 0;
}

std::uint32_t Lecture::u32() {
    if (!disponible(4)) {
        return 0;
    }
    const auto v = lireLE<std::uint32_t>(charge_.data() + position_);
    position_ += 4;
    return v;
}

std::int64_t Lecture::i64() {
    if (!disponible(8)) {
        return 0;
    }
    const auto v = lireLE<std::int64_t>(charge_.data() + position_);
    position_ += 8;
    return v;
}

std::string_view Lecture::octets() {
    const std::uint32_t n = u32();
    if (!disponible(n)) {
        return {};
    }
    const std::string_view v = charge_.substr(position_, n);
    position_ += n;
    return v;
}

std::optional<Trame> suivante(std::string_view tampon, std::size_t& position, bool& rompu,
                              std::size_t limite) {
    if (tampon.size() - position < TailleEnTete) {
        return std::nullopt;
    }
    const auto type = std::uint8_t(tampon[position]);
    const auto longueur = lireLE<std::uint32_t>(tampon.data() + position + 1);
    if (type < std::uint8_t(Type::Demande) || type > std::uint8_t(Type::Protections) ||
        longueur > limite) {
        rompu = true;
        return std::nullopt;
    }
    if (tampon.size() - position - TailleEnTete < longueur) {
        return std::nullopt;
    }
    const Trame t{Type(type), tampon.substr(position + TailleEnTete, longueur)};
    position += TailleEnTete + longueur;
    return t;
}

bool ecrireTout(int fd, std::string_view octets) {
    const char* p = octets.data();
    std::size_t reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, reste);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        reste -= std::size_t(n);
    }
    return true;
}

std::optional<Trame> attendre(int fd, std::string& tampon) {
    const auto lire = [fd, &tampon](std::size_t n) {
        const std::size_t debut = tampon.size();
        tampon.resize(debut + n);
        std::size_t lu = 0;
        while (lu < n) {
            const ssize_t r = ::read(fd, tampon.data() + debut + lu, n - lu);
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                return false;
            }
            lu += std::size_t(r);
        }
        return true;
    };
    tampon.clear();
    if (!lire(TailleEnTete)) {
        return std::nullopt;
    }
    const auto longueur = lireLE<std::uint32_t>(tampon.data() + 1);
    if (longueur > TailleMax || !lire(longueur)) {
        return std::nullopt;
    }
    std::size_t position = 0;
    bool rompu = false;
    return suivante(tampon, position, rompu);
}

} // namespace protocole
