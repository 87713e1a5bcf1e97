#pragma once

// The filter's bar under the list (BarreFiltre.cpp): "Filtrer :" and its field, hidden until it is
// first asked for.

#include <QWidget>

#include <functional>

class QLineEdit;

class BarreFiltre final : public QWidget {
public:
    // In the field, Escape calls `echap` (even while Escape also stops a pass), and Return or Down
    // call `versLaListe`.
    BarreFiltre(QWidget* parent, std::function<void()> echap, std::function<void()> versLaListe);

    // The field, whose text is the filter's.
    QLineEdit* champ() const { return champ_; }
    // Shown, the field taking the keys with its text chosen, as Ctrl+F leaves it.
    void ouvrir();
    // Emptied, then hidden.
    void fermer();

private:
    QLineEdit* champ_;
};
