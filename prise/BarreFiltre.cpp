#include "BarreFiltre.h"

#include "Twips.h"

#include <QAbstractButton>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace {

// The filter's field: Escape empties and closes it, even while Escape also stops a pass (the
// list's Escape does that); Return and Down go to the rows it kept.
class ChampFiltre final : public QLineEdit {
public:
    ChampFiltre(QWidget* parent, std::function<void()> echap, std::function<void()> versLaListe)
        : QLineEdit(parent)
        , echap_(std::move(echap))
        , versLaListe_(std::move(versLaListe)) {}

protected:
    bool event(QEvent* evenement) override {
        if (evenement->type() == QEvent::ShortcutOverride &&
            static_cast<QKeyEvent*>(evenement)->key() == Qt::Key_Escape) {
            evenement->accept(); // the key comes here rather than to "Arrêter"
            return true;
        }
        return QLineEdit::event(evenement);
    }
    void keyPressEvent(QKeyEvent* evenement) override {
        switch (evenement->key()) {
        case Qt::Key_Escape:
            echap_();
            return;
        case Qt::Key_Down:
        case Qt::Key_Return:
        case Qt::Key_Enter:
            versLaListe_();
            return;
        default:
            QLineEdit::keyPressEvent(evenement);
        }
    }

private:
    std::function<void()> echap_;
    std::function<void()> versLaListe_;
};

} // namespace

BarreFiltre::BarreFiltre(QWidget* parent, std::function<void()> echap,
                         std::function<void()> versLaListe)
    : QWidget(parent)
    , champ_(new ChampFiltre(this, std::move(echap), std::move(versLaListe))) {
    setObjectName(QStringLiteral("barreFiltre"));
    auto* disposition = new QHBoxLayout(this);
    disposition->setContentsMargins(0, platform::pixelsY(this, 60), 0, 0);
    champ_->setObjectName(QStringLiteral("filtre"));
    champ_->setClearButtonEnabled(true);
    for (auto* vider : champ_->findChildren<QAbstractButton*>()) {
        vider->setAccessibleName(QStringLiteral("Vider le filtre"));
        vider->setAccessibleDescription(QStringLiteral("Efface le texte : toutes les lignes"));
    }
    champ_->setPlaceholderText(QStringLiteral("Partie du nom, sans souci des accents"));
    auto* libelle = new QLabel(QStringLiteral("Filtrer :"), this);
    libelle->setBuddy(champ_);
    disposition->addWidget(libelle);
    disposition->addWidget(champ_, 1);
    hide();
}

void BarreFiltre::ouvrir() {
    show();
    champ_->setFocus(Qt::ShortcutFocusReason);
    champ_->selectAll();
}

void BarreFiltre::fermer() {
    champ_->clear();
    hide();
}
