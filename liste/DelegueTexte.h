#pragma once

// Paints the result list's cells, which hold one line of text each. The toolkit's own delegate
// lays a cell's text out three times (to size it, to elide it, to draw it); a list that is
// repainted ten times a second during a pass over a large archive pays for that in the pass.
// A name's tooltip gives its entry's details; another cell too narrow for its text shows it whole
// in one.

#include <QStyledItemDelegate>

class DelegueTexte final : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* peintre, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* evenement, QAbstractItemView* vue,
                   const QStyleOptionViewItem& option, const QModelIndex& index) override;

    // The width of a cell of `vue` that shows `texte` whole in `police`.
    static int largeurNecessaire(const QFont& police, const QWidget* vue, const QString& texte);
};
