#pragma once

// A notice on the desktop at the end of a long pass that the user is not watching, through the
// desktop's notification service (org.freedesktop.Notifications on the session bus). Without a
// session bus or a service, nothing: the status bar says it all the same.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QtGlobal>

class QWidget;

namespace notification {

// A pass whose own work lasted this long, ended while the window is not the active one, is worth
// a notice.
constexpr qint64 PasseLongueMs = 10000;

// The time of a pass's own work, from start(): it stands still while a modal box blocks the
// window (the comment, a question, the password), for the time the user takes to read or answer
// is no work of the pass's.
class DureeDuTravail final : public QObject {
public:
    explicit DureeDuTravail(QWidget& fenetre);

    void start();
    qint64 elapsed() const;

protected:
    bool eventFilter(QObject* objet, QEvent* evenement) override;

private:
    // One clock for all: while a box is up, the time read stays exactly what it was.
    QElapsedTimer total_;
    bool bloquee_ = false;
    qint64 debutBoite_ = 0; // on total_, when the box now up came
    qint64 enBoites_ = 0;   // in boxes closed since start()
};

// What the notice says of a pass of `mode`: the status bar's line after "Extraction terminée : ",
// or the rows listed for a list pass.
QString texte(int mode, const QString& bilan, bool interrompue, int lignes);

// The notice's title: the file name of the archive at `chemin`, as the window shows names.
QString titre(const QString& chemin);

// Asks the service, once for the program and without waiting, whether its notices can carry
// actions: before the first pass, so that the answer is there by the end of a long one.
void preparer();

// Sends the notice, titled `titre`, without waiting for any answer. With `dossier`, where the
// service offers actions, it carries "Ouvrir le dossier", which shows that folder in the file
// manager.
void envoyer(const QString& titre, const QString& texte, const QString& dossier = {});

} // namespace notification
