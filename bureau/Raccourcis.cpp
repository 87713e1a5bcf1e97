#include "Raccourcis.h"

#include <QAction>
#include <QKeyEvent>
#include <QWidget>

#include <utility>

namespace {

class Passage final : public QObject {
public:
    Passage(QObject* parent, QList<QAction*> actions)
        : QObject(parent)
        , actions_(std::move(actions)) {}

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override {
        if (evenement->type() == QEvent::ShortcutOverride) {
            const QKeySequence touche(static_cast<QKeyEvent*>(evenement)->keyCombination());
            for (const QAction* a : actions_) {
                if (a->isEnabled() && a->shortcuts().contains(touche)) {
                    evenement->ignore(); // not the field's: the shortcut goes on to the action
                    return true;
                }
            }
        }
        return QObject::eventFilter(objet, evenement);
    }

private:
    QList<QAction*> actions_;
};

} // namespace

namespace raccourcis {

void laisserPasser(QWidget* champ, const QList<QAction*>& actions) {
    champ->installEventFilter(new Passage(champ, actions));
}

} // namespace raccourcis
