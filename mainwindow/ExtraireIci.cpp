#include "ExtraireIci.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include <cerrno>

#include <sys/stat.h>

namespace ici {

QString nomDuJeu(const QString& fichier) {
    // The new numbering first: "x.part2.rar" is "x", not "x.part2".
    static const QRegularExpression marque(
        QStringLiteral(R"(^(.+?)(\.part\d+\.rar|\.rar|\.[r-z]\d\d)$)"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = marque.match(fichier);
    return m.hasMatch() ? m.captured(1) : fichier;
}

int entreesDuHaut(const QStringList& noms) {
    QSet<QStringView> haut;
    for (const QString& nom : noms) {
        // The library writes names with "/" and no root; an empty part leads nowhere.
        for (const QStringView partie : QStringView(nom).split(QLatin1Char('/'))) {
            if (!partie.isEmpty() && partie != u".") {
                haut.insert(partie);
                break;
            }
        }
        if (haut.size() >= 2) {
            break;
        }
    }
    return int(haut.size());
}

std::optional<QString> creerDossierNeuf(const QString& dossier, const QString& nom) {
    // mkdir decides, not a look beforehand: a folder made meanwhile by someone else is never
    // taken for ours.
    for (int n = 1; n < 10000; ++n) {
        const QString candidat =
            dossier + QLatin1Char('/') + (n == 1 ? nom : QStringLiteral("%1 (%2)").arg(nom).arg(n));
        if (::mkdir(QFile::encodeName(candidat).constData(), 0777) == 0) {
            return candidat;
        }
        if (errno != EEXIST) {
            return std::nullopt;
        }
    }
    return std::nullopt;
}

} // namespace ici
