#include "Notification.h"

#include "Interaction.h"
#include "Nombres.h"
#include "RetourPasse.h"
#include "TexteVisible.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEvent>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

namespace notification {

namespace {

const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Objet = QStringLiteral("/org/freedesktop/Notifications");
const QString ActionDossier = QStringLiteral("ouvrir-dossier");

// What the service said of itself, and the notices sent with the folder's action, until the
// service closes them: a click on the action, even long after, shows that folder.
class Suivi final : public QObject {
    Q_OBJECT

public:
    explicit Suivi(QDBusConnection bus)
        : QObject(QCoreApplication::instance()) {
        bus.connect(Service, Objet, Service, QStringLiteral("ActionInvoked"), this,
                    SLOT(actionInvoquee(uint, QString)));
        bus.connect(Service, Objet, Service, QStringLiteral("NotificationClosed"), this,
                    SLOT(fermee(uint, uint)));
    }

    bool actions = false;
    QHash<uint, QString> dossiers; // by the notice's id

private slots:
    void actionInvoquee(uint id, const QString& action) {
        if (action == ActionDossier && dossiers.contains(id)) {
            platform::interaction().ouvrirDossier(dossiers.value(id), {});
        }
    }
    void fermee(uint id, uint) { dossiers.remove(id); }
};

Suivi* suivi = nullptr; // from preparer() on, while there is a session bus

} // namespace

DureeDuTravail::DureeDuTravail(QWidget& fenetre) {
    fenetre.installEventFilter(this);
}

void DureeDuTravail::start() {
    total_.start();
    enBoites_ = 0;
    debutBoite_ = 0; // a box already up when the pass began holds it from now on
}

qint64 DureeDuTravail::elapsed() const {
    return (bloquee_ ? debutBoite_ : total_.elapsed()) - enBoites_;
}

bool DureeDuTravail::eventFilter(QObject* objet, QEvent* evenement) {
    const qint64 maintenant = total_.isValid() ? total_.elapsed() : 0;
    if (evenement->type() == QEvent::WindowBlocked && !bloquee_) {
        bloquee_ = true;
        debutBoite_ = maintenant;
    } else if (evenement->type() == QEvent::WindowUnblocked && bloquee_) {
        bloquee_ = false;
        enBoites_ += maintenant - debutBoite_;
    }
    return QObject::eventFilter(objet, evenement);
}

QString texte(int mode, const QString& bilan, bool interrompue, int lignes) {
    switch (mode) {
    case ModeExtraction:
        return interrompue ? QStringLiteral("Extraction interrompue")
                           : QStringLiteral("Extraction terminée : ") + bilan;
    case ModeTest:
        return interrompue ? QStringLiteral("Test interrompu")
                           : QStringLiteral("Test terminé : ") + bilan;
    default:
        return interrompue ? QStringLiteral("Liste interrompue")
                           : QStringLiteral("Liste terminée : %1 entrée%2")
                                 .arg(nombre(lignes), lignes > 1 ? QStringLiteral("s") : QString());
    }
}

QString titre(const QString& chemin) {
    return nomVisible(QFileInfo(chemin).fileName());
}

void preparer() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (suivi != nullptr || !bus.isConnected()) {
        return;
    }
    suivi = new Suivi(bus);
    auto* reponse = new QDBusPendingCallWatcher(
        bus.asyncCall(QDBusMessage::createMethodCall(Service, Objet, Service,
                                                     QStringLiteral("GetCapabilities"))),
        suivi);
    QObject::connect(reponse, &QDBusPendingCallWatcher::finished, suivi,
                     [](QDBusPendingCallWatcher* r) {
                         const QDBusPendingReply<QStringList> capacites = *r;
                         suivi->actions = capacites.isValid() &&
                                          capacites.value().contains(QStringLiteral("actions"));
                         r->deleteLater();
                     });
}

void envoyer(const QString& titre, const QString& texte, const QString& dossier) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage appel =
        QDBusMessage::createMethodCall(Service, Objet, Service, QStringLiteral("Notify"));
    // The desktop entry ties the notice to the program's name and icon in the desktop's lists.
    const QVariantMap indications{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.example.korvane")}};
    const bool action = !dossier.isEmpty() && suivi != nullptr && suivi->actions;
    appel << QStringLiteral("Korvane") << quint32(0) << QStringLiteral("korvane") << titre << texte
          << (action ? QStringList{ActionDossier, QStringLiteral("Ouvrir le dossier")}
                     : QStringList())
          << indications << qint32(-1);
    // No answer is awaited: without a service the bus's error goes nowhere, and the window never
    // waits on the desktop. The summary is plain text; the body, which may be markup, has none.
    if (!action) {
        bus.send(appel);
        return;
    }
    // The notice's id, when it comes, ties a click on its action to the folder.
    auto* reponse = new QDBusPendingCallWatcher(bus.asyncCall(appel), suivi);
    QObject::connect(reponse, &QDBusPendingCallWatcher::finished, suivi,
                     [dossier](QDBusPendingCallWatcher* r) {
                         const QDBusPendingReply<uint> id = *r;
                         if (id.isValid()) {
                             suivi->dossiers.insert(id.value(), dossier);
                         }
                         r->deleteLater();
                     });
}

} // namespace notification

#include "Notification.moc"
