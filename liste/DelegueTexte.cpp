#include "DelegueTexte.h"

#include "TexteVisible.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>
#include <QToolTip>

namespace {

// The room that the style leaves on each side of an item's text.
int marge(const QWidget* widget) {
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    return style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
}

// One line of `texte`, laid out once in `largeur` pixels.
QTextLine disposer(QTextLayout& disposition, const QString& texte, int largeur) {
    disposition.setText(texte);
    disposition.beginLayout();
    QTextLine ligne = disposition.createLine();
    ligne.setLineWidth(largeur);
    disposition.endLayout();
    return ligne;
}

} // namespace

void DelegueTexte::paint(QPainter* peintre, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // Wrapped text, icons and check boxes are the toolkit's to place.
    constexpr QStyleOptionViewItem::ViewItemFeatures autres =
        QStyleOptionViewItem::WrapText | QStyleOptionViewItem::HasDecoration |
        QStyleOptionViewItem::HasCheckIndicator;
    if (opt.features & autres) {
        QStyledItemDelegate::paint(peintre, option, index);
        return;
    }
    const QWidget* widget = opt.widget;
    const QStyle* style = widget != nullptr ? widget->style() : QApplication::style();

    peintre->save();
    peintre->setClipRect(opt.rect);
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &opt, peintre, widget);

    if (!opt.text.isEmpty()) {
        // The margins and colours that the style gives an item's text.
        const int m = marge(widget);
        const QRect zone = opt.rect.adjusted(m, 0, -m, 0);
        const QPalette::ColorGroup groupe =
            !(opt.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (opt.state & QStyle::State_Active) ? QPalette::Normal
                                                 : QPalette::Inactive;
        peintre->setPen(opt.palette.color(groupe, (opt.state & QStyle::State_Selected)
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));

        // Placed as the style places it: across by the line's own alignment, down as a block.
        QTextOption options;
        options.setWrapMode(QTextOption::ManualWrap);
        options.setTextDirection(opt.direction);
        options.setAlignment(QStyle::visualAlignment(opt.direction, opt.displayAlignment));
        QTextLayout disposition(QString(), opt.font);
        disposition.setTextOption(options);
        QTextLine ligne = disposer(disposition, opt.text, zone.width());
        if (ligne.naturalTextWidth() > zone.width()) {
            // Laid out again only when it does not fit, which is rare but for long paths.
            ligne = disposer(disposition,
                             opt.fontMetrics.elidedText(opt.text, opt.textElideMode, zone.width()),
                             zone.width());
        }
        const QRect bloc = QStyle::alignedRect(Qt::LayoutDirectionAuto,
                                               opt.displayAlignment & Qt::AlignVertical_Mask,
                                               QSize(zone.width(), int(ligne.height())), zone);
        disposition.draw(peintre, QPointF(zone.x(), bloc.top()));
    }

    if (opt.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.QStyleOption::operator=(opt);
        focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &opt, widget);
        focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
        focus.backgroundColor = opt.palette.color(
            (opt.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled,
            (opt.state & QStyle::State_Selected) ? QPalette::Highlight : QPalette::Window);
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, peintre, widget);
    }
    peintre->restore();
}

int DelegueTexte::largeurNecessaire(const QFont& police, const QWidget* vue, const QString& texte) {
    return largeurTexte(police, texte) + 2 * marge(vue);
}

bool DelegueTexte::helpEvent(QHelpEvent* evenement, QAbstractItemView* vue,
                             const QStyleOptionViewItem& option, const QModelIndex& index) {
    if (evenement->type() != QEvent::ToolTip || !index.isValid()) {
        return QStyledItemDelegate::helpEvent(evenement, vue, option, index);
    }
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    // An entry's details, whole name first, where the model has them; else a text the cell cuts.
    QString bulle = index.data(Qt::ToolTipRole).toString();
    if (bulle.isEmpty() && largeurNecessaire(opt.font, opt.widget, opt.text) > opt.rect.width()) {
        bulle = bulleLitterale(opt.text);
    }
    // An empty text hides the tooltip of a cell left for this one; the rectangle hides this one
    // once the pointer leaves the cell.
    QToolTip::showText(evenement->globalPos(), bulle, vue->viewport(), opt.rect);
    evenement->setAccepted(!bulle.isEmpty());
    return !bulle.isEmpty();
}
