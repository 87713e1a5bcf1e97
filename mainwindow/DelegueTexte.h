#pragma once

// Paints the result list's cells, which hold one line of text each. The toolkit's own delegate
// lays a cell's text out three times (to size it, to elide it, to draw it); a list that is
// repainted ten times a second during a pass over a large archive pays for that in the pass.

#include <QStyledItemDelegate>

class DelegueTexte final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* peintre, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};
