#include "ArchivesRecentes.h"

#include "TexteVisible.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QVariantList>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include <sys/stat.h>

namespace {

const QString Cle = QStringLiteral("archives/recentes");

// `chemin` with its links and dot segments resolved; that of its folder when the file itself is
// gone, so that a vanished archive still meets the path it was opened by.
QByteArray canonique(const QByteArray& chemin) {
    const auto resoudre = [](const QByteArray& c) {
        const std::unique_ptr<char, decltype(&std::free)> r(::realpath(c.constData(), nullptr),
                                                            &std::free);
        return r ? QByteArray(r.get()) : QByteArray();
    };
    if (QByteArray r = resoudre(chemin); !r.isEmpty()) {
        return r;
    }
    const qsizetype barre = chemin.lastIndexOf('/');
    const QByteArray dossier = resoudre(barre > 0 ? chemin.left(barre) : QByteArray("/"));
    return dossier.isEmpty() ? chemin
                             : (dossier == "/" ? QByteArray() : dossier) + chemin.mid(barre);
}

// One file under two paths: a link to it, a hard link, "..", or the same path twice.
bool memeFichier(const QByteArray& a, const QByteArray& b) {
    if (a == b) {
        return true;
    }
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.constData(), &sa) == 0 && ::stat(b.constData(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    return canonique(a) == canonique(b);
}

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
        // A settings file edited by hand, or kept before links were seen through, may hold
        // anything: only absolute paths, one for each file, the most recent.
        const auto deja = [&chemin](const QByteArray& c) { return memeFichier(c, chemin); };
        if (chemin.startsWith('/') && liste.size() < Nombre &&
            std::none_of(liste.begin(), liste.end(), deja)) {
            liste << chemin;
        }
    }
    return liste;
}

void ArchivesRecentes::ajouter(const QByteArray& chemin) {
    QList<QByteArray> liste = chemins();
    // The path it was opened by now: the one the user knows it by.
    liste.removeIf([&chemin](const QByteArray& c) { return memeFichier(c, chemin); });
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
