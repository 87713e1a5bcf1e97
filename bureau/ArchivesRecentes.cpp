#include "ArchivesRecentes.h"

#include "TexteVisible.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariantList>

#include <sys/stat.h>

namespace {

const QString Cle = QStringLiteral("archives/recentes");

} // namespace

ArchivesRecentes::ArchivesRecentes(const QString& fichier)
    : reglages_(fichier.isEmpty() ? std::make_unique<QSettings>(QStringLiteral("Korvane"),
                                                                QStringLiteral("korvane"))
                                  : std::make_unique<QSettings>(fichier, QSettings::IniFormat)) {}

ArchivesRecentes::~ArchivesRecentes() = default;

QList<QByteArray> ArchivesRecentes::chemins() const {
    QList<QByteArray> liste;
    for (const QVariant& v : reglages_->value(Cle).toList()) {
        const QByteArray chemin = v.toByteArray();
        // A settings file edited by hand may hold anything: only absolute paths, once each.
        if (chemin.startsWith('/') && !liste.contains(chemin) && liste.size() < Nombre) {
            liste << chemin;
        }
    }
    return liste;
}

void ArchivesRecentes::ajouter(const QByteArray& chemin) {
    QList<QByteArray> liste = chemins();
    liste.removeAll(chemin);
    liste.prepend(chemin);
    QVariantList valeurs;
    for (const QByteArray& c : liste.first(std::min<qsizetype>(liste.size(), Nombre))) {
        valeurs << c;
    }
    reglages_->setValue(Cle, valeurs);
    reglages_->sync();
}

void ArchivesRecentes::effacer() {
    reglages_->remove(Cle);
    reglages_->sync();
}

QList<ArchivesRecentes::Entree> ArchivesRecentes::entrees() const {
    QList<Entree> liste;
    const QList<QByteArray> c = chemins();
    for (qsizetype i = 0; i < c.size(); ++i) {
        const QString chemin = nomVisible(QFile::decodeName(c[i]));
        QString nom = QFileInfo(chemin).fileName();
        nom.replace(QLatin1Char('&'), QStringLiteral("&&")); // not an access key
        struct stat s {};
        const bool presente = ::stat(c[i].constData(), &s) == 0 && S_ISREG(s.st_mode);
        liste.append({c[i], QStringLiteral("&%1 %2").arg(i + 1).arg(nom), chemin, presente});
    }
    return liste;
}
