#pragma once

// The journal of "Extraire ici": a note for each folder made beside an archive for a pass, written
// before the folder is made and removed once it is gone, so that a later run removes what a run
// killed meanwhile (SIGKILL, a crash, the machine stopped) left there: that folder and the
// partial files in it, which no one else could remove, since only this user can enter it.

#include <QByteArray>
#include <QString>

#include <memory>

#include <sys/stat.h>

namespace ici {

// Where the notes are: $XDG_STATE_HOME/korvane, else ~/.local/state/korvane, made (0700) when
// missing and `faire`. Empty when there is none that is this user's.
QByteArray dossierJournal(bool faire);

// One note, in a file of its own.
class Note {
public:
    // A new note in the folder `journal`, for this run; nothing when it cannot be written, or
    // when a later run could not tell whether this one is alive. `passage` names another run than
    // this one, for the tests (restes::debutDuPassage()).
    static std::unique_ptr<Note> ouvrir(const QByteArray& journal, const QString& passage = {});
    ~Note();
    Note(const Note&) = delete;
    Note& operator=(const Note&) = delete;

    // The path of the folder about to be made; then, once it is made and checked, its identity.
    void nommer(const QByteArray& chemin);
    void identifier(const struct stat& dossier);
    // The folder is gone, or published: the note goes.
    void retirer();

private:
    Note(int journal, int fd, QByteArray nom, QByteArray passage);
    void ecrire();

    int journal_; // the journal's folder
    int fd_;      // the note's file
    QByteArray nom_;
    QByteArray passage_;
    QByteArray chemin_{};
    struct stat identite_ {};
};

// At start-up: removes, with all they hold, the folders that the notes of runs now over name,
// when the path still leads to a folder of this user with the identity noted, or, where the run
// ended before it noted one, to an empty folder; then drops those notes. Nothing of a live run's
// is touched.
void balayerJournal(const QByteArray& journal);

} // namespace ici
