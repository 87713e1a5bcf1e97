#include "Notification.h"

#include "Nombres.h"
#include "RetourPasse.h"
#include "TexteVisible.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QStringList>
#include <QVariantMap>

namespace notification {

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

void envoyer(const QString& titre, const QString& texte) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    QDBusMessage appel = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // The desktop entry ties the notice to the program's name and icon in the desktop's lists.
    const QVariantMap indications{
        {QStringLiteral("desktop-entry"), QStringLiteral("org.example.korvane")}};
    appel << QStringLiteral("Korvane") << quint32(0) << QStringLiteral("korvane") << titre << texte
          << QStringList() << indications << qint32(-1);
    // No answer is awaited: without a service the bus's error goes nowhere, and the window never
    // waits on the desktop. The summary is plain text; the body, which may be markup, has none.
    bus.send(appel);
}

} // namespace notification
