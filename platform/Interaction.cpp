#include "Interaction.h"

#include "NomsDesBoites.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QGridLayout>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <memory>
#include <utility>

namespace platform {

namespace {

// What xdg-open says within this time is whether an application took the file: it ends once the
// desktop started one, or, without a desktop of its own, when the application ends.
constexpr int AttenteOuvreurMs = 5000;

QMessageBox::Icon iconeQt(Icone icone) {
    switch (icone) {
    case Icone::Information:
        return QMessageBox::Information;
    case Icone::Exclamation:
        return QMessageBox::Warning;
    case Icone::Critique:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// Puts `texte` in the box as it is: comments, paths and names are never markup. A text taller
// than half the screen goes into a scrollable read-only area in place of the label, so that the
// box stays on the screen with its buttons in reach.
void ecrireTexte(QMessageBox& boite, const QString& texte) {
    // Texts may break lines with carriage returns alone, which a label does not break on.
    QString lignes = texte;
    lignes.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    boite.setTextFormat(Qt::PlainText);
    boite.setText(lignes);

    auto* libelle = boite.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* grille = qobject_cast<QGridLayout*>(boite.layout());
    if (libelle == nullptr || grille == nullptr) {
        return;
    }
    const QRect ecran = boite.screen()->availableGeometry();
    const int largeurMax = ecran.width() / 2;
    const int hauteurMax = ecran.height() / 2;
    const QRect besoin = libelle->fontMetrics().boundingRect(
        QRect(0, 0, largeurMax, INT_MAX / 2), Qt::TextWordWrap | Qt::TextWrapAnywhere, lignes);
    if (besoin.height() <= hauteurMax) {
        return;
    }
    auto* zone = new QPlainTextEdit(&boite);
    zone->setObjectName(QStringLiteral("texte"));
    zone->setReadOnly(true);
    zone->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    zone->setPlainText(lignes);
    const int bords = 2 * (zone->frameWidth() + int(zone->document()->documentMargin()));
    zone->setMinimumSize(std::min(largeurMax, besoin.width() + bords +
                                                  zone->verticalScrollBar()->sizeHint().width()),
                         hauteurMax);
    delete grille->replaceWidget(libelle, zone);
    libelle->hide();
    zone->setFocus(); // the keys scroll it; Return and Escape still close the box
}

// Over the middle of its parent's window, once its size is known: the toolkit places a box before
// it has its final size, and a window not shown yet is taken for one in the screen's corner.
void centrer(QWidget& boite) {
    const QWidget* parent = boite.parentWidget();
    if (parent == nullptr) {
        return;
    }
    parent = parent->window();
    const QRect autour = parent->isVisible() ? parent->frameGeometry() : parent->geometry();
    const QRect ecran = boite.screen()->availableGeometry();
    const QSize taille = boite.frameGeometry().size();
    QPoint coin = autour.center() - QPoint(taille.width() / 2, taille.height() / 2);
    coin.setX(
        std::clamp(coin.x(), ecran.left(), std::max(ecran.left(), ecran.right() - taille.width())));
    coin.setY(
        std::clamp(coin.y(), ecran.top(), std::max(ecran.top(), ecran.bottom() - taille.height())));
    boite.move(coin);
}

template <typename Boite> class Centree final : public Boite {
public:
    using Boite::Boite;

protected:
    void showEvent(QShowEvent* evenement) override {
        Boite::showEvent(evenement);
        nommerBoite(*this);
        centrer(*this);
    }
};

// One Escape closes the Open dialog, even while the completion of a typed name shows: the list
// would otherwise take the first Escape for itself, and a user who pressed it once sees the dialog
// stay.
class EchapFerme final : public QObject {
public:
    explicit EchapFerme(QDialog& dialogue)
        : QObject(&dialogue)
        , dialogue_(dialogue) {}

    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(evenement)->key() == Qt::Key_Escape) {
            dialogue_.reject();
            return true;
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QDialog& dialogue_;
};

class InteractionQt final : public Interaction {
public:
    void message(QWidget* parent, const QString& texte, const QString& titre,
                 Icone icone) override {
        Centree<QMessageBox> boite(iconeQt(icone), titre, QString(), QMessageBox::Ok, parent);
        boite.setObjectName(QStringLiteral("message"));
        ecrireTexte(boite, texte);
        boite.exec();
    }

    QMessageBox::StandardButton question(QWidget* parent, const QString& texte,
                                         const QString& titre,
                                         QMessageBox::StandardButtons boutons) override {
        Centree<QMessageBox> boite(QMessageBox::Question, titre, QString(), boutons, parent);
        boite.setObjectName(QStringLiteral("question"));
        ecrireTexte(boite, texte);
        if (boutons.testFlag(QMessageBox::No)) {
            // A key pressed out of habit must not say yes.
            boite.setDefaultButton(QMessageBox::No);
            boite.setEscapeButton(QMessageBox::No);
        }
        return QMessageBox::StandardButton(boite.exec());
    }

    std::optional<QString> ouvrirFichier(QWidget* parent, const QString& titre,
                                         const QString& filtre) override {
        QFileDialog dialogue(parent, titre, QString(), filtre);
        dialogue.setObjectName(QStringLiteral("ouvrirFichier"));
        dialogue.setFileMode(QFileDialog::ExistingFile);
        dialogue.setAcceptMode(QFileDialog::AcceptOpen);
        nommerBoite(dialogue);
        auto* echap = new EchapFerme(dialogue);
        for (const QCompleter* completion : dialogue.findChildren<QCompleter*>()) {
            completion->popup()->installEventFilter(echap);
        }
        if (dialogue.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QStringList choisis = dialogue.selectedFiles();
        return choisis.isEmpty() ? QString() : choisis.first();
    }

    std::optional<QString> enregistrerFichier(QWidget* parent, const QString& titre,
                                              const QString& filtre, const QString& nom) override {
        QFileDialog dialogue(parent, titre, QString(), filtre);
        dialogue.setObjectName(QStringLiteral("enregistrerFichier"));
        dialogue.setFileMode(QFileDialog::AnyFile);
        dialogue.setAcceptMode(QFileDialog::AcceptSave);
        dialogue.selectFile(nom);
        nommerBoite(dialogue);
        if (dialogue.exec() != QDialog::Accepted || dialogue.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        return dialogue.selectedFiles().first();
    }

    void ouvrirDocument(const QString& chemin, std::function<void()> refus) override {
        // QDesktopServices counts a file as opened once xdg-open starts, though xdg-open may then
        // find no application for it: its status says so, soon. Later, it only reports how the
        // application ended, which it may wait for: the process is left to end alone, unowned.
        auto* ouvreur = new QProcess;
        // Its output goes where ours does, never into a pipe that an application could fill.
        ouvreur->setProcessChannelMode(QProcess::ForwardedChannels);
        ouvreur->setStandardInputFile(QProcess::nullDevice());
        auto attendu = std::make_shared<std::function<void()>>(std::move(refus));
        const auto refuser = [attendu] {
            if (const std::function<void()> r = std::exchange(*attendu, {})) {
                r();
            }
        };
        QObject::connect(ouvreur, &QProcess::finished, ouvreur,
                         [ouvreur, refuser](int statut, QProcess::ExitStatus fin) {
                             if (fin != QProcess::NormalExit || statut != 0) {
                                 refuser();
                             }
                             ouvreur->deleteLater();
                         });
        QObject::connect(ouvreur, &QProcess::errorOccurred, ouvreur,
                         [ouvreur, refuser](QProcess::ProcessError erreur) {
                             if (erreur == QProcess::FailedToStart) {
                                 refuser();
                                 ouvreur->deleteLater();
                             }
                         });
        QTimer::singleShot(AttenteOuvreurMs, ouvreur, [attendu] { *attendu = {}; });
        ouvreur->start(QStringLiteral("xdg-open"), {chemin});
    }

    // A folder's application is the desktop's file manager, asked the same way, with the same
    // answer when there is none.
    void ouvrirDossier(const QString& dossier, std::function<void()> refus) override {
        ouvrirDocument(dossier, std::move(refus));
    }

    std::optional<QString> motDePasse(QWidget* parent, const QString& titre,
                                      const QString& libelle) override {
        Centree<QInputDialog> dialogue(parent);
        dialogue.setWindowTitle(titre);
        dialogue.setLabelText(libelle);
        dialogue.setTextEchoMode(QLineEdit::Password);
        if (dialogue.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialogue.textValue();
    }

    [[noreturn]] void terminer(int statut) override {
        // The event loop is not returned to: nothing of the pass or its command runs after this.
        std::exit(statut);
    }
};

InteractionQt reelle;
Interaction* enVigueur = &reelle;

} // namespace

Interaction& interaction() {
    return *enVigueur;
}

void installerInteraction(Interaction* remplacante) {
    enVigueur = remplacante != nullptr ? remplacante : &reelle;
}

} // namespace platform
