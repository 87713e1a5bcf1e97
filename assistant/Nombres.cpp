#include "Nombres.h"

#include <QLocale>

#include <algorithm>
#include <array>

QString nombre(qint64 n) {
    static const QLocale francais(QLocale::French, QLocale::France);
    return francais.toString(n);
}

QString tailleDecimale(qint64 octets, bool parExces) {
    if (octets < 1000) {
        return QStringLiteral("%1 o").arg(std::max<qint64>(0, octets));
    }
    static const std::array<const char*, 4> unites{"ko", "Mo", "Go", "To"};
    // In tenths of the unit, rounded as asked, in whole numbers: a double would round 3,25 Go
    // either way depending on its last bit.
    qint64 diviseur = 100; // a tenth of a kilobyte
    std::size_t u = 0;
    const auto dixiemes = [&] {
        return octets / diviseur + (parExces && octets % diviseur != 0 ? 1 : 0);
    };
    // A rounding up to 1 000 of a unit goes on in the next one.
    while (dixiemes() >= 10000 && u + 1 < unites.size()) {
        diviseur *= 1000;
        ++u;
    }
    const qint64 d = dixiemes();
    return QStringLiteral("%1,%2 %3").arg(nombre(d / 10)).arg(d % 10).arg(QLatin1String(unites[u]));
}
