#include "Ecran.h"

#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLayout>
#include <QMainWindow>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>

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

// Where the window was left, in the program's settings: its frame's corner and size, its inside's
// size, and whether it filled the screen.
const QString ClePosition = QStringLiteral("fenetre/position");
const QString CleCadre = QStringLiteral("fenetre/cadre");
const QString CleTaille = QStringLiteral("fenetre/taille");
const QString CleAgrandie = QStringLiteral("fenetre/agrandie");

QSettings reglages() {
    return QSettings(QStringLiteral("Korvane"), QStringLiteral("korvane"));
}

void retenir(const QMainWindow* fenetre) {
    if (!fenetre->isVisible() || fenetre->isMinimized() || fenetre->isFullScreen()) {
        return;
    }
    QSettings r = reglages();
    r.setValue(CleAgrandie, fenetre->isMaximized());
    if (!fenetre->isMaximized()) {
        r.setValue(ClePosition, fenetre->frameGeometry().topLeft());
        r.setValue(CleCadre, fenetre->frameGeometry().size());
        r.setValue(CleTaille, fenetre->size());
    }
}

// The place and size where the window was left, when they still fit a screen whole, frame
// included: a screen unplugged or made smaller since leaves the window where it would be at first.
bool restaurer(QMainWindow* fenetre) {
    const QSettings r = reglages();
    const QPoint coin = r.value(ClePosition).toPoint();
    const QSize taille = r.value(CleTaille).toSize();
    // The frame as it was, not as guessed before the window is framed again.
    const QRect voulu(coin, r.value(CleCadre).toSize());
    if (!r.contains(ClePosition) || !taille.isValid() || !voulu.isValid()) {
        return false;
    }
    for (const QScreen* ecran : QGuiApplication::screens()) {
        if (ecran->availableGeometry().contains(voulu)) {
            fenetre->resize(taille);
            // The frame's own corner: Qt hands a window not shown yet to the window manager as
            // placed by its frame, and one moved by its guessed inside would creep at each start.
            fenetre->move(coin);
            if (r.value(CleAgrandie).toBool()) {
                fenetre->setWindowState(fenetre->windowState() | Qt::WindowMaximized);
            }
            return true;
        }
    }
    return false;
}

// The room a name wants in the list at first: a path of a few folders, not the header's word.
constexpr int CaracteresDuNom = 80;
// At first start the window leaves most of the screen to the others.
constexpr double PartDeLEcran = 0.6;

// At first start: as wide as the list's three columns and the status bar's panels read whole,
// within PartDeLEcran of the screen, and never narrower than laid out.
void elargirAuDepart(QMainWindow* fenetre, QWidget* souple) {
    int voulue = fenetre->statusBar()->sizeHint().width();
    if (const auto* vue = qobject_cast<const QTableView*>(souple)) {
        const QHeaderView* entetes = vue->horizontalHeader();
        int liste = 2 * vue->frameWidth() + vue->verticalScrollBar()->sizeHint().width();
        for (int c = 0; c < entetes->count(); ++c) {
            liste += entetes->sectionResizeMode(c) == QHeaderView::Stretch
                         ? std::max(entetes->sectionSizeHint(c),
                                    vue->fontMetrics().averageCharWidth() * CaracteresDuNom)
                         : std::max(entetes->sectionSizeHint(c), entetes->sectionSize(c));
        }
        // The margins of the containers around the list.
        for (const QWidget* w = souple; w != fenetre; w = w->parentWidget()) {
            if (const QLayout* autour = w->parentWidget()->layout()) {
                liste += autour->contentsMargins().left() + autour->contentsMargins().right();
            }
        }
        voulue = std::max(voulue, liste);
    }
    const QMargins marges = cadre(fenetre);
    const int limite = int(fenetre->screen()->availableGeometry().width() * PartDeLEcran) -
                       marges.left() - marges.right();
    fenetre->resize(std::max(fenetre->width(), std::min(voulue, limite)), fenetre->height());
}

// Keeps where the user leaves the window, once it has stood still a moment: a drag moves it a
// hundred times, and the program may end without closing it (Quitter, a signal).
class Souvenir final : public QObject {
public:
    explicit Souvenir(QMainWindow* fenetre)
        : QObject(fenetre)
        , fenetre_(fenetre)
        , attente_(new QTimer(this)) {
        attente_->setSingleShot(true);
        attente_->setInterval(400);
        connect(attente_, &QTimer::timeout, this, [this] { retenir(fenetre_); });
    }

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        switch (evenement->type()) {
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            if (fenetre_->isVisible()) {
                attente_->start();
            }
            break;
        case QEvent::Close:
            retenir(fenetre_);
            break;
        default:
            break;
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QMainWindow* fenetre_;
    QTimer* attente_;
};

} // namespace

namespace ecran {

void placer(QMainWindow* fenetre, QWidget* souple) {
    const bool restauree = restaurer(fenetre);
    if (!restauree) {
        elargirAuDepart(fenetre, souple);
    }
    tenir(fenetre, souple);
    fenetre->installEventFilter(new Tenue(fenetre, souple));
    fenetre->installEventFilter(new Souvenir(fenetre));
    if (restauree) {
        return;
    }
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
