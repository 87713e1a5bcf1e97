#include "Ecran.h"

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

} // namespace

namespace ecran {

void placer(QMainWindow* fenetre, QWidget* souple) {
    const QRect ecran = fenetre->screen()->availableGeometry();
    const QMargins marges = cadre(fenetre);
    const QSize place = ecran.size().shrunkBy(marges);
    const QSize trop = fenetre->minimumSizeHint() - place;
    if (trop.width() > 0 || trop.height() > 0) {
        souple->setMinimumSize(std::max(0, souple->minimumWidth() - std::max(0, trop.width())),
                               std::max(0, souple->minimumHeight() - std::max(0, trop.height())));
        // Each container up to the window keeps the least size it had until told.
        for (QWidget* w = souple->parentWidget(); w != fenetre; w = w->parentWidget()) {
            w->updateGeometry();
        }
    }
    fenetre->resize(fenetre->size().boundedTo(place));
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
