#include "DemandeFermeture.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#ifdef KORVANE_X11
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#endif

namespace platform {

namespace {

#ifdef KORVANE_X11

xcb_atom_t atome(xcb_connection_t* connexion, const char* nom) {
    const xcb_intern_atom_cookie_t demande =
        xcb_intern_atom(connexion, 1, quint16(std::strlen(nom)), nom);
    xcb_intern_atom_reply_t* reponse = xcb_intern_atom_reply(connexion, demande, nullptr);
    const xcb_atom_t a = reponse != nullptr ? reponse->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reponse);
    return a;
}

// Sees the window manager's WM_DELETE_WINDOW messages before Qt decides what to do with them.
class Filtre final : public QAbstractNativeEventFilter {
public:
    Filtre(QWidget* fenetre, std::function<void()> demande, xcb_atom_t protocoles,
           xcb_atom_t fermer)
        : fenetre_(fenetre)
        , demande_(std::move(demande))
        , protocoles_(protocoles)
        , fermer_(fermer) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (fenetre_.isNull() || type != "xcb_generic_event_t") {
            return false;
        }
        const auto* evenement = static_cast<const xcb_generic_event_t*>(message);
        if ((evenement->response_type & 0x7f) != XCB_CLIENT_MESSAGE) {
            return false;
        }
        const auto* client = static_cast<const xcb_client_message_event_t*>(message);
        QWindow* const fenetre = fenetre_->windowHandle();
        if (fenetre == nullptr || client->format != 32 || client->type != protocoles_ ||
            client->data.data32[0] != fermer_ || client->window != xcb_window_t(fenetre->winId())) {
            return false;
        }
        QWindow* const modale = QGuiApplication::modalWindow();
        if (modale == nullptr || modale == fenetre) {
            return false; // Qt delivers it
        }
        // After the window system's events: the request may close the boxes it comes through.
        QTimer::singleShot(0, fenetre_, demande_);
        return false;
    }

private:
    QPointer<QWidget> fenetre_;
    std::function<void()> demande_;
    xcb_atom_t protocoles_;
    xcb_atom_t fermer_;
};

#endif

} // namespace

void suivreFermetureBloquee(QWidget* fenetre, std::function<void()> demande) {
#ifdef KORVANE_X11
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return;
    }
    xcb_connection_t* const connexion = x11->connection();
    auto* filtre = new Filtre(fenetre, std::move(demande), atome(connexion, "WM_PROTOCOLS"),
                              atome(connexion, "WM_DELETE_WINDOW"));
    QCoreApplication::instance()->installNativeEventFilter(filtre);
    QObject::connect(fenetre, &QObject::destroyed, QCoreApplication::instance(), [filtre] {
        QCoreApplication::instance()->removeNativeEventFilter(filtre);
        delete filtre;
    });
#else
    Q_UNUSED(fenetre);
    Q_UNUSED(demande);
#endif
}

} // namespace platform
