#include "AccesAvancement.h"

#include <QAccessibleWidget>
#include <QProgressBar>

namespace lecteurs {

namespace {

class AccesAvancement final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit AccesAvancement(QProgressBar* barre)
        : QAccessibleWidget(barre, QAccessible::ProgressBar) {}

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ValueInterface ? static_cast<QAccessibleValueInterface*>(this)
                                                   : QAccessibleWidget::interface_cast(type);
    }

    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Value ? barre()->text() : QAccessibleWidget::text(t);
    }

    QVariant currentValue() const override { return barre()->value(); }
    void setCurrentValue(const QVariant&) override {} // read only: the pass moves it
    QVariant maximumValue() const override { return barre()->maximum(); }
    QVariant minimumValue() const override { return barre()->minimum(); }
    QVariant minimumStepSize() const override { return 1; }

private:
    QProgressBar* barre() const { return static_cast<QProgressBar*>(widget()); }
};

QAccessibleInterface* fabrique(const QString&, QObject* objet) {
    auto* barre = qobject_cast<QProgressBar*>(objet);
    if (barre == nullptr || !barre->objectName().startsWith(QLatin1String("progression"))) {
        return nullptr;
    }
    return new AccesAvancement(barre);
}

} // namespace

void installerAvancement() {
    static const bool installe = [] {
        QAccessible::installFactory(fabrique);
        return true;
    }();
    Q_UNUSED(installe);
}

} // namespace lecteurs
