#include "PanneauEtat.h"

#include "TexteVisible.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

#include <algorithm>

PanneauEtat::PanneauEtat(int largeurMin, bool cede, QWidget* parent)
    : QLabel(parent)
    , largeurMin_(largeurMin)
    , cede_(cede) {
    setTextFormat(Qt::PlainText);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void PanneauEtat::setTexte(const QString& debut, const QString& fin) {
    fin_ = fin;
    setText(debut + fin);
}

void PanneauEtat::serrer(bool serre) {
    if (serre != serre_) {
        serre_ = serre;
        updateGeometry();
    }
}

QString PanneauEtat::texteMontre() const {
    return nomVisible(text());
}

int PanneauEtat::retrait() const {
    return fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
}

QSize PanneauEtat::sizeHint() const {
    if (serre_ && text().isEmpty()) {
        return minimumSizeHint(); // what has nothing to say gives way first
    }
    const QMargins cadre = contentsMargins();
    const int largeur =
        largeurTexte(font(), texteMontre()) + 2 * retrait() + cadre.left() + cadre.right();
    return {std::max(largeur, largeurMin_), QLabel::sizeHint().height()};
}

QSize PanneauEtat::minimumSizeHint() const {
    if (serre_) {
        // An empty panel, or one that says nothing a pass needs, keeps no room from it.
        return {text().isEmpty() || accessoire_ ? 0 : largeurMin_ / 2,
                QLabel::minimumSizeHint().height()};
    }
    return cede_ ? QSize(largeurMin_, QLabel::minimumSizeHint().height()) : sizeHint();
}

bool PanneauEtat::event(QEvent* evenement) {
    if (evenement->type() != QEvent::ToolTip || !toolTip().isEmpty()) {
        return QLabel::event(evenement); // a tooltip of its own says more than the text
    }
    const QString texte = texteMontre();
    const bool coupe = largeurTexte(font(), texte) > contentsRect().width() - 2 * retrait();
    QToolTip::showText(static_cast<QHelpEvent*>(evenement)->globalPos(),
                       coupe ? bulleLitterale(texte) : QString(), this, rect());
    return true;
}

void PanneauEtat::paintEvent(QPaintEvent* evenement) {
    if (contentsRect().width() <= 0) {
        return; // given no room: not even a sliver of its frame
    }
    QFrame::paintEvent(evenement); // the frame; the text is drawn here, cut with "…"
    QPainter peintre(this);
    const QRect zone = contentsRect().adjusted(retrait(), 0, -retrait(), 0);
    QString texte = fontMetrics().elidedText(texteMontre(), Qt::ElideRight, zone.width());
    if (!fin_.isEmpty() && text().endsWith(fin_) && texte != texteMontre()) {
        const QString fin = nomVisible(fin_);
        const QString debut = nomVisible(text().chopped(fin_.size()));
        texte = fontMetrics().elidedText(debut, Qt::ElideRight,
                                         zone.width() - largeurTexte(font(), fin)) +
                fin;
    }
    style()->drawItemText(&peintre, zone, QStyle::visualAlignment(layoutDirection(), alignment()),
                          palette(), isEnabled(), texte, foregroundRole());
}
