#include "DelegueTexte.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QTextLayout>

namespace {

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
        const int marge = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
        const QRect zone = opt.rect.adjusted(marge, 0, -marge, 0);
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
