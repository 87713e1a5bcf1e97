#include "Ecran.h"

#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>

namespace {

// The window manager's frame around `fenetre`. Until the window is framed, Qt does not know it
// (at some scale factors not even then): a title bar's height is kept for it above, and a quarter
// of that on the other sides.
QMargins cadre(const QWidget* fenetre) {
    const QRect f = fenetre->frameGeometry();
    const QRect g = fenetre->geometry();
    const QMargins vu(g.left() - f.left(), g.top() - f.top(), f.right() - g.right(),
                      f.bottom() - g.bottom());
    if (vu.top() > 0 && vu.left() >= 0 && vu.right() >= 0 && vu.bottom() >= 0) {
        return vu;
    }
    const int titre = fenetre->style()->pixelMetric(QStyle::PM_TitleBarHeight);
    return {titre / 4, titre, titre / 4, titre / 4};
}

// From `voulu` to `ecran`'s nearest edge, for a window `largeur` wide with its frame.
int dansLEcran(int voulu, int largeur, const QRect& ecran) {
    return std::max(ecran.left(), std::min(voulu, ecran.right() + 1 - largeur));
}

// Puts the frame of `fenetre` at `coin`. Until the window is shown, Qt places it by its inside.
void poser(QWidget* fenetre, QPoint coin, const QMargins& marges) {
    fenetre->move(fenetre->isVisible() ? coin : coin + QPoint(marges.left(), marges.top()));
}

// What is left of the screen's available area for the inside of `fenetre`.
QSize place(const QWidget* fenetre) {
    return fenetre->screen()->availableGeometry().size().shrunkBy(cadre(fenetre));
}

// Gives `fenetre` its size within place(fenetre), `souple` giving up as much of its least size as
// the window needs for that.
void tenir(QMainWindow* fenetre, QWidget* souple) {
    const QSize limite = place(fenetre);
    const QSize trop = fenetre->minimumSizeHint() - limite;
    if (trop.width() > 0 || trop.height() > 0) {
        souple->setMinimumSize(std::max(0, souple->minimumWidth() - std::max(0, trop.width())),
                               std::max(0, souple->minimumHeight() - std::max(0, trop.height())));
        // Each container up to the window keeps the least size it had until told.
        for (QWidget* w = souple->parentWidget(); w != fenetre; w = w->parentWidget()) {
            w->updateGeometry();
        }
        fenetre->layout()->activate();
    }
    if (fenetre->width() > limite.width() || fenetre->height() > limite.height()) {
        fenetre->resize(fenetre->size().boundedTo(limite));
    }
    // Grown downwards past the screen's edge: up again.
    const QRect ecran = fenetre->screen()->availableGeometry();
    const int depasse = fenetre->geometry().bottom() + cadre(fenetre).bottom() - ecran.bottom();
    if (fenetre->isVisible() && depasse > 0) {
        fenetre->move(fenetre->x(), std::max(ecran.top(), fenetre->y() - depasse));
    }
}

// The window's layout has grown it to hold more (the filter's bar under the list): back within
// the screen.
class Tenue final : public QObject {
public:
    Tenue(QMainWindow* fenetre, QWidget* souple)
        : QObject(fenetre)
        , fenetre_(fenetre)
        , souple_(souple) {}

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::LayoutRequest) {
            tenir(fenetre_, souple_);
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QMainWindow* fenetre_;
    QWidget* souple_;
};

} // namespace

namespace ecran {

void placer(QMainWindow* fenetre, QWidget* souple) {
    tenir(fenetre, souple);
    fenetre->installEventFilter(new Tenue(fenetre, souple));
    const QRect ecran = fenetre->screen()->availableGeometry();
    const QMargins marges = cadre(fenetre);
    const QSize avecCadre = fenetre->size().grownBy(marges);
    const QPoint centre = ecran.center() - QRect(QPoint(), avecCadre).center();
    poser(fenetre,
          {dansLEcran(centre.x(), avecCadre.width(), ecran), std::max(ecran.top(), centre.y())},
          marges);
}

void montrerBarreEntiere(QMainWindow* fenetre) {
    // The bar's nested layouts keep the sizes of the texts before until they are laid out again.
    fenetre->statusBar()->layout()->invalidate();
    fenetre->statusBar()->layout()->activate();
    const QRect ecran = fenetre->screen()->availableGeometry();
    const QMargins marges = cadre(fenetre);
    const int largeur = std::min(fenetre->statusBar()->sizeHint().width(),
                                 ecran.width() - marges.left() - marges.right());
    if (largeur <= fenetre->width()) {
        return;
    }
    fenetre->resize(largeur, fenetre->height());
    // Still centred when not yet shown; else widened to the right, as far as the screen goes.
    const int avecCadre = largeur + marges.left() + marges.right();
    if (!fenetre->isVisible()) {
        poser(fenetre,
              {dansLEcran(ecran.center().x() + 1 - avecCadre / 2, avecCadre, ecran),
               fenetre->y() - marges.top()},
              marges);
    } else if (const int x = dansLEcran(fenetre->x(), avecCadre, ecran); x != fenetre->x()) {
        fenetre->move(x, fenetre->y());
    }
}

} // namespace ecran
