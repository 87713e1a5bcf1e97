#include "Protocole.h"

#include <qendian.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace protocole {

namespace {

constexpr qsizetype TailleEnTete = 5;

} // namespace

void Redaction::debut(Type type) {
    debut_ = tampon_.size();
    tampon_.resize(debut_ + TailleEnTete); // the length is written at fin()
    tampon_[debut_] = char(type);
}

void Redaction::u32(quint32 v) {
    char b[4];
    qToLittleEndian(v, b);
    tampon_.append(b, 4);
}

void Redaction::i64(qint64 v) {
    char b[8];
    qToLittleEndian(v, b);
    tampon_.append(b, 8);
}

void Redaction::octets(QByteArrayView v) {
    u32(quint32(v.size()));
    tampon_.append(v);
}

void Redaction::texte(const QString& v) {
    // Encoded straight into the frame: a name costs no buffer of its own.
    const qsizetype position = tampon_.size();
    tampon_.resize(position + 4 + v.size() * 3);
    char* const debut = tampon_.data() + position + 4;
    char* const fin = utf8_.appendToBuffer(debut, v);
    qToLittleEndian(quint32(fin - debut), tampon_.data() + position);
    tampon_.resize(fin - tampon_.constData());
}

void Redaction::fin() {
    const quint32 longueur = quint32(tampon_.size() - debut_ - TailleEnTete);
    qToLittleEndian(longueur, tampon_.data() + debut_ + 1);
}

bool Lecture::disponible(qsizetype n) {
    if (!ok_ || n > charge_.size() - position_) {
        ok_ = false;
        return false;
    }
    return true;
}

quint8 Lecture::u8() {
    return disponible(1) ? quint8(charge_[position_++]) : 0;
}

quint32 Lecture::u32() {
    if (!disponible(4)) {
        return 0;
    }
    const quint32 v = qFromLittleEndian<quint32>(charge_.data() + position_);
    position_ += 4;
    return v;
}

qint64 Lecture::i64() {
    if (!disponible(8)) {
        return 0;
    }
    const qint64 v = qFromLittleEndian<qint64>(charge_.data() + position_);
    position_ += 8;
    return v;
}

QByteArrayView Lecture::octets() {
    const quint32 n = u32();
    if (!disponible(qsizetype(n))) {
        return {};
    }
    const QByteArrayView v = charge_.sliced(position_, qsizetype(n));
    position_ += qsizetype(n);
    return v;
}

std::optional<Trame> suivante(const QByteArray& tampon, qsizetype& position, bool& rompu,
                              qsizetype limite) {
    if (tampon.size() - position < TailleEnTete) {
        return std::nullopt;
    }
    const auto type = quint8(tampon[position]);
    const quint32 longueur = qFromLittleEndian<quint32>(tampon.constData() + position + 1);
    if (type < quint8(Type::Demande) || type > quint8(Type::Protections) ||
        qsizetype(longueur) > limite) {
        rompu = true;
        return std::nullopt;
    }
    if (tampon.size() - position - TailleEnTete < qsizetype(longueur)) {
        return std::nullopt;
    }
    const Trame t{Type(type), QByteArrayView(tampon).sliced(position + TailleEnTete, longueur)};
    position += TailleEnTete + qsizetype(longueur);
    return t;
}

bool ecrireTout(int fd, QByteArrayView octets) {
    const char* p = octets.data();
    qsizetype reste = octets.size();
    while (reste > 0) {
        const ssize_t n = ::write(fd, p, std::size_t(reste));
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        p += n;
        reste -= n;
    }
    return true;
}

std::optional<Trame> attendre(int fd, QByteArray& tampon) {
    const auto lire = [fd, &tampon](qsizetype n) {
        const qsizetype debut = tampon.size();
        tampon.resize(debut + n);
        qsizetype lu = 0;
        while (lu < n) {
            const ssize_t r = ::read(fd, tampon.data() + debut + lu, std::size_t(n - lu));
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                return false;
            }
            lu += r;
        }
        return true;
    };
    tampon.clear();
    if (!lire(TailleEnTete)) {
        return std::nullopt;
    }
    const quint32 longueur = qFromLittleEndian<quint32>(tampon.constData() + 1);
    if (longueur > TailleMax || !lire(qsizetype(longueur))) {
        return std::nullopt;
    }
    qsizetype position = 0;
    bool rompu = false;
    return suivante(tampon, position, rompu);
}

} // namespace protocole
