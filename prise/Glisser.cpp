// Dragging chosen rows out of the list to a file manager or the desktop: at the start of the drag,
// their entries are extracted, confined as any extraction, into a new folder of the run's private
// folder, and the drag carries the URLs of what lies directly in it, which the file manager
// copies where they are dropped.

#include "Glisser.h"

#include "Interaction.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "Nombres.h"
#include "Ouverture.h"
#include "Prise.h"
#include "TexteVisible.h"
#include "Titres.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QDrag>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopeGuard>
#include <QStyle>
#include <QTableView>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <cstring>
#include <optional>

#include <dirent.h>

using platform::interaction;

namespace {

// Beyond this, the entries belong in a folder that the user chooses, not in a temporary one that
// a drag fills while the button is held.
constexpr qint64 OctetsGlissesAuPlus = 1000 * 1000 * 1000;

// A move of the mouse pressed on a chosen row, far enough, starts the drag. The view keeps the
// rows chosen on such a press; its moves would choose others, and go to the drag instead.
class DepartGlisser final : public QObject {
public:
    DepartGlisser(QAbstractItemView* vue, std::function<void()> glisser)
        : QObject(vue)
        , vue_(vue)
        , glisser_(std::move(glisser)) {}

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::MouseButtonPress) {
            const auto* souris = static_cast<QMouseEvent*>(evenement);
            const QModelIndex ligne = vue_->indexAt(souris->position().toPoint());
            depart_.reset();
            if (souris->button() == Qt::LeftButton && souris->modifiers() == Qt::NoModifier &&
                ligne.isValid() && vue_->selectionModel()->isSelected(ligne)) {
                depart_ = souris->position().toPoint();
            }
        } else if (evenement->type() == QEvent::MouseMove) {
            const auto* souris = static_cast<QMouseEvent*>(evenement);
            if (glisse_) {
                return true; // while the entries are extracted, the button still held
            }
            if (depart_ && (souris->buttons() & Qt::LeftButton) != 0) {
                if ((souris->position().toPoint() - *depart_).manhattanLength() >=
                    QApplication::startDragDistance()) {
                    depart_.reset();
                    glisse_ = true;
                    glisser_();
                    glisse_ = false;
                }
                return true;
            }
        } else if (evenement->type() == QEvent::MouseButtonRelease) {
            depart_.reset();
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QAbstractItemView* vue_;
    std::function<void()> glisser_;
    std::optional<QPoint> depart_; // of a press on a chosen row
    bool glisse_ = false;
};

// The URLs of what lies directly in `dossier`, from the bytes of its names on disk: a name that is
// not UTF-8 reaches the file manager as it is.
QList<QUrl> contenu(const QString& dossier) {
    const QByteArray chemin = QFile::encodeName(dossier);
    DIR* const d = ::opendir(chemin.constData());
    if (d == nullptr) {
        return {};
    }
    QByteArrayList noms;
    while (const dirent* e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
            noms << QByteArray(e->d_name);
        }
    }
    ::closedir(d);
    std::sort(noms.begin(), noms.end());
    QList<QUrl> urls;
    for (const QByteArray& nom : noms) {
        urls << QUrl::fromEncoded("file://" + (chemin + '/' + nom).toPercentEncoding("/"));
    }
    return urls;
}

} // namespace

Glisser::Glisser(QTableView* vue, const ListeResultats& modele, Fenetre& fenetre)
    : vue_(vue)
    , modele_(modele)
    , fenetre_(fenetre) {
    vue_->viewport()->installEventFilter(new DepartGlisser(vue_, [this] { glisserChoisies(); }));
}

std::unique_ptr<QMimeData> Glisser::donnees() {
    // Only with an archive open and no pass running, as every command that starts a pass.
    if (!fenetre_.passePossible()) {
        return nullptr;
    }
    const std::vector<quint32> places = placesChoisies(modele_, fenetre_.rangsChoisis());
    if (places.empty()) {
        return nullptr;
    }
    qint64 octets = 0;
    for (int rang = 0; rang < modele_.nombreLignes(); ++rang) {
        if (std::binary_search(places.begin(), places.end(), modele_.place(rang))) {
            octets += std::max<qint64>(0, modele_.taille(rang));
        }
    }
    if (octets > OctetsGlissesAuPlus) {
        interaction().message(
            vue_->window(),
            QStringLiteral("Les entrées choisies font %1 : Korvane n'en glisse pas plus de "
                           "1 Go. « Extraire la sélection » les extrait dans le dossier de votre "
                           "choix.")
                .arg(tailleDecimale(octets, true)),
            TitreFenetre, platform::Icone::Information);
        return nullptr;
    }
    const QString dossier = ouverture::dossierNeuf();
    if (dossier.isEmpty()) {
        interaction().message(
            vue_->window(),
            QStringLiteral("Impossible de créer un dossier temporaire où extraire les entrées."),
            Messages::TitreErreur, platform::Icone::Exclamation);
        return nullptr;
    }
    // A part of the entries would be dropped as if it were all: nothing is, but the whole.
    auto menage = qScopeGuard([&dossier] { ouverture::retirer(dossier); });
    ListeResultats extraites;
    const QString avant = QDir::currentPath();
    QDir::setCurrent(dossier);
    fenetre_.extraireEntrees(places, extraites);
    QDir::setCurrent(avant);
    const QString ok = Messages::texteResultat(Resultat::OK, 0);
    for (int rang = 0; rang < extraites.nombreLignes(); ++rang) {
        const QString resultat = extraites.texte(rang, ListeResultats::ColonneResultat);
        if (resultat != ok) {
            // Nothing to say when the user stopped the pass or gave no password.
            if (!resultat.isEmpty() &&
                resultat != Messages::texteResultat(Resultat::Interrompu, 0)) {
                interaction().message(
                    vue_->window(),
                    QStringLiteral("« %1 » n'a pas pu être extrait : %2.")
                        .arg(nomVisible(extraites.texte(rang, ListeResultats::ColonneFichier)),
                             resultat),
                    Messages::TitreErreur, platform::Icone::Exclamation);
            }
            return nullptr;
        }
    }
    const QList<QUrl> urls = contenu(dossier);
    if (std::size_t(extraites.nombreLignes()) != places.size() || urls.isEmpty()) {
        return nullptr;
    }
    auto donnees = std::make_unique<QMimeData>();
    donnees->setUrls(urls);
    menage.dismiss();
    return donnees;
}

void Glisser::glisserChoisies() {
    std::unique_ptr<QMimeData> donnees = this->donnees();
    if (!donnees) {
        return;
    }
    const QString dossier = QFileInfo(donnees->urls().constFirst().toLocalFile()).path();
    // The button was let go while the entries were extracted: there is nowhere to drop them.
    if ((QGuiApplication::mouseButtons() & Qt::LeftButton) == 0) {
        ouverture::retirer(dossier);
        return;
    }
    auto* glisse = new QDrag(vue_);
    glisse->setMimeData(donnees.release());
    glisse->setPixmap(vue_->style()->standardIcon(QStyle::SP_FileIcon).pixmap(32));
    // Dropped nowhere: nothing stays. Taken, the files stay until the program ends, the file
    // manager copying them perhaps long after the drop, after its own questions.
    if (glisse->exec(Qt::CopyAction, Qt::CopyAction) == Qt::IgnoreAction) {
        ouverture::retirer(dossier);
    }
}
