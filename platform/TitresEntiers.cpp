#include "TitresEntiers.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QLayout>
#include <QMessageBox>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

// What decorations write titles in is theirs to choose (openbox "sans 8 bold", xfwm4 "Sans Bold
// 9", GNOME "Cantarell Bold 11"): the toolkit's title font, bold, is the nearest it knows, and a
// tenth more keeps a wider face from cutting the title all the same.
QFont policeDecoration() {
    QFont police = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    police.setBold(true);
    return police;
}
constexpr double Marge = 1.1;

// The title bar's width that is not the title's: the application's icon, three buttons and the
// edges, once more for a decoration that centres its title between them and the other end.
int horsTitre() {
    const int barre = int(std::ceil(QFontMetricsF(policeDecoration()).height())) + 8;
    return 7 * barre;
}

// A box is laid out by its text and its buttons: the least width goes to its buttons' row, which
// spans it, since a message box fixes its own size from its layout as it shows, after this.
void elargir(QDialog& dialogue) {
    const int besoin = largeurPourTitre(dialogue.windowTitle());
    if (auto* boite = qobject_cast<QMessageBox*>(&dialogue)) {
        auto* boutons = boite->findChild<QDialogButtonBox*>();
        if (boutons != nullptr && boite->layout() != nullptr) {
            const QMargins marges = boite->layout()->contentsMargins();
            boutons->setMinimumWidth(besoin - marges.left() - marges.right());
        }
        return;
    }
    if (dialogue.minimumWidth() < besoin) {
        dialogue.setMaximumWidth(std::max(dialogue.maximumWidth(), besoin));
        dialogue.setMinimumWidth(besoin);
    }
}

void abreger(QWidget& fenetre) {
    QWindow* native = fenetre.windowHandle();
    if (native == nullptr) {
        return; // not made yet: its Show comes
    }
    const QString titre = titreAbrege(fenetre.windowTitle(), fenetre.width());
    if (native->title() != titre) {
        native->setTitle(titre);
    }
}

class Surveillance final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        const QEvent::Type type = evenement->type();
        if ((type == QEvent::Show || type == QEvent::WindowTitleChange || type == QEvent::Resize) &&
            objet->isWidgetType()) {
            auto* w = static_cast<QWidget*>(objet);
            if (auto* dialogue = qobject_cast<QDialog*>(w); dialogue != nullptr) {
                if (type != QEvent::Resize && w->isWindow()) {
                    elargir(*dialogue);
                }
            } else if (w->windowType() == Qt::Window) {
                abreger(*w);
            }
        }
        return QObject::eventFilter(objet, evenement);
    }
};

} // namespace

void garderTitresEntiers(QApplication& application) {
    application.installEventFilter(new Surveillance(&application));
}

int largeurPourTitre(const QString& titre) {
    return int(std::ceil(QFontMetricsF(policeDecoration()).horizontalAdvance(titre) * Marge)) +
           horsTitre();
}

QString titreAbrege(const QString& titre, int largeur) {
    if (largeurPourTitre(titre) <= largeur) {
        return titre;
    }
    const QFontMetricsF mesure(policeDecoration());
    const qreal place = std::max(0, largeur - horsTitre()) / Marge;
    // "Korvane v 1.0 : PATH": the program's part stays whole while the path has room for its
    // two ends; a title cut inside the program's name reads as a fault.
    const QLatin1String separateur(" : ");
    if (const qsizetype fin = titre.indexOf(separateur); fin > 0) {
        const QString tete = titre.left(fin + separateur.size());
        const qreal reste = place - mesure.horizontalAdvance(tete);
        if (reste >= 8 * mesure.averageCharWidth()) {
            return tete + mesure.elidedText(titre.mid(tete.size()), Qt::ElideMiddle, reste);
        }
    }
    return mesure.elidedText(titre, Qt::ElideMiddle, place);
}

} // namespace platform
