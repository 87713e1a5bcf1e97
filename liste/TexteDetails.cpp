#include "TexteDetails.h"

#include "Nombres.h"
#include "TexteVisible.h"

#include <QDateTime>
#include <QLocale>

#include <iterator>
#include <utility>

namespace {

QString nomSysteme(quint8 systeme) {
    // In the order of DetailsEntree::Systeme.
    static constexpr const char* noms[] = {"MS-DOS", "OS/2", "Windows", "Unix", "Mac OS", "BeOS"};
    return systeme < std::size(noms) ? QString::fromLatin1(noms[systeme])
                                     : QStringLiteral("inconnu");
}

// ls's letters: the file's type, then read, write and run for its owner, group and others, with
// set-user-ID, set-group-ID and sticky in the place of the run bits.
QString modeUnix(quint32 mode, bool dossier) {
    static constexpr std::pair<quint32, char> genres[] = {
        {0040000, 'd'}, {0120000, 'l'}, {0020000, 'c'}, {0060000, 'b'},
        {0010000, 'p'}, {0140000, 's'}, {0100000, '-'}};
    // A mode without its type is a folder's or a file's, as the header's flags say.
    QString t(1, QLatin1Char(dossier ? 'd' : '-'));
    for (const auto& [genre, lettre] : genres) {
        if ((mode & 0170000) == genre) {
            t[0] = QLatin1Char(lettre);
        }
    }
    const char* const lettres = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i) {
        t += (mode & (0400u >> i)) != 0 ? QLatin1Char(lettres[i]) : QLatin1Char('-');
    }
    const auto special = [&t, mode](quint32 bit, int place, char petite, char grande) {
        if ((mode & bit) != 0) {
            t[place] = QLatin1Char(t[place] == QLatin1Char('x') ? petite : grande);
        }
    };
    special(04000, 3, 's', 'S');
    special(02000, 6, 's', 'S');
    special(01000, 9, 't', 'T');
    return t;
}

} // namespace

QString ouiNon(bool oui) {
    return oui ? QStringLiteral("oui") : QStringLiteral("non");
}

QString texteOctets(qint64 n) {
    const QString exact =
        nombre(n) + (n > 1 ? QStringLiteral(" octets") : QStringLiteral(" octet"));
    if (n < 1000) {
        return exact;
    }
    return tailleDecimale(n, false) + QStringLiteral(" (") + exact + QLatin1Char(')');
}

QString texteTaux(qint64 compressee, qint64 taille) {
    if (taille <= 0 || compressee < 0) {
        return {};
    }
    static const QLocale francais(QLocale::French, QLocale::France);
    return QStringLiteral("%1 %").arg(
        francais.toString(double(compressee) * 100.0 / double(taille), 'f', 1));
}

QString texteAttributs(quint32 attributs, quint8 systeme, bool dossier) {
    switch (systeme) {
    case DetailsEntree::MsDos:
    case DetailsEntree::Os2:
    case DetailsEntree::Windows: {
        // FILE_ATTRIBUTE_ARCHIVE, _HIDDEN, _READONLY, _SYSTEM and _DIRECTORY.
        QString t;
        for (const auto& [bit, lettre] :
             {std::pair{0x20u, 'A'}, std::pair{0x02u, 'H'}, std::pair{0x01u, 'R'},
              std::pair{0x04u, 'S'}, std::pair{0x10u, 'D'}}) {
            if ((attributs & bit) != 0) {
                t += QLatin1Char(lettre);
            }
        }
        return t.isEmpty() ? QStringLiteral("aucun") : t;
    }
    case DetailsEntree::Unix:
    case DetailsEntree::MacOs:
    case DetailsEntree::BeOs:
        return modeUnix(attributs, dossier);
    default:
        return QStringLiteral("0x%1").arg(attributs, 8, 16, QLatin1Char('0')).toUpper();
    }
}

QList<QPair<QString, QString>> lignesEntree(const QString& nom, qint64 taille, bool dossier,
                                            const std::optional<DetailsEntree>& details) {
    QList<QPair<QString, QString>> l{{QStringLiteral("Nom"), nomVisible(nom)}};
    if (!dossier) {
        l.append({QStringLiteral("Taille"), texteOctets(taille)});
    }
    if (!details) {
        return l;
    }
    const DetailsEntree& d = *details;
    if (!dossier) {
        l.append({QStringLiteral("Taille compressée"), texteOctets(d.compressee)});
        if (const QString taux = texteTaux(d.compressee, taille); !taux.isEmpty()) {
            l.append({QStringLiteral("Taux de compression"), taux});
        }
    }
    if ((d.drapeaux & DetailsEntree::AvecDate) != 0) {
        static const QLocale francais(QLocale::French, QLocale::France);
        l.append({QStringLiteral("Modification"),
                  francais.toString(QDateTime::fromSecsSinceEpoch(d.modification),
                                    QLocale::ShortFormat)});
    }
    if ((d.drapeaux & DetailsEntree::AvecCrc) != 0) {
        l.append({QStringLiteral("CRC32"),
                  QStringLiteral("%1").arg(d.crc, 8, 16, QLatin1Char('0')).toUpper()});
    }
    l.append({QStringLiteral("Attributs"), texteAttributs(d.attributs, d.systeme, dossier)});
    l.append({QStringLiteral("Système d'origine"), nomSysteme(d.systeme)});
    l.append({QStringLiteral("Chiffrée"), ouiNon((d.drapeaux & DetailsEntree::Chiffree) != 0)});
    return l;
}
