#include "JournalIci.h"

#include "Restes.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <algorithm>
#include <cstdio>
#include <utility>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

// A note is "RUN\nDEVICE INODE\nPATH": the run as restes::debutDuPassage() names it, the folder's
// identity (0 0 until it is known), and its path, as the system's bytes, to the end of the file.

namespace ici {

namespace {

constexpr qsizetype TailleMax = 64 * 1024; // a note is far smaller; anything larger is no note

// Removes the folder at `chemin`, with all it holds, while it is this user's folder of identity
// `notee`; a folder whose identity was never noted only when it is empty.
void retirerDossierNote(const QByteArray& chemin, const struct stat& notee) {
    const qsizetype barre = chemin.lastIndexOf('/');
    if (barre < 0) {
        return;
    }
    const QByteArray nom = chemin.mid(barre + 1);
    const int parent =
        ::open(barre == 0 ? "/" : chemin.left(barre).constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    const int fd = parent < 0 ? -1
                              : ::openat(parent, nom.constData(),
                                         O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat s {};
    if (fd >= 0 && ::fstat(fd, &s) == 0 && s.st_uid == ::geteuid()) {
        if (notee.st_ino == 0) {
            restes::retirerVideSiMeme(parent, nom.constData(), s);
        } else if (s.st_dev == notee.st_dev && s.st_ino == notee.st_ino) {
            restes::vider(fd);
            restes::retirerVideSiMeme(parent, nom.constData(), s);
        }
    }
    for (const int f : {fd, parent}) {
        if (f >= 0) {
            ::close(f);
        }
    }
}

} // namespace

QByteArray dossierJournal(bool faire) {
    QByteArray etat = qgetenv("XDG_STATE_HOME");
    if (!etat.startsWith('/')) {
        etat = QFile::encodeName(QDir::homePath()) + "/.local/state";
    }
    const QByteArray journal = etat + "/korvane";
    // The folders missing on the way are made as the desktop's own folders of state are.
    for (qsizetype barre = journal.indexOf('/', 1); faire && barre > 0;
         barre = journal.indexOf('/', barre + 1)) {
        ::mkdir(journal.left(barre).constData(), 0700);
    }
    if (faire) {
        ::mkdir(journal.constData(), 0700);
    }
    struct stat s {};
    return ::lstat(journal.constData(), &s) == 0 && S_ISDIR(s.st_mode) && s.st_uid == ::geteuid()
               ? journal
               : QByteArray();
}

std::unique_ptr<Note> Note::ouvrir(const QByteArray& journal, const QString& passage) {
    const QByteArray nomme =
        (passage.isEmpty() ? restes::debutDuPassage(::getpid()) : passage).toLatin1();
    QByteArray modele = journal + "/ici-XXXXXX";
    const int fd = nomme.isEmpty() ? -1 : ::mkostemp(modele.data(), O_CLOEXEC);
    const int dossier =
        fd < 0 ? -1 : ::open(journal.constData(), O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dossier < 0) {
        if (fd >= 0) {
            ::unlink(modele.constData());
            ::close(fd);
        }
        return nullptr;
    }
    return std::unique_ptr<Note>(new Note(dossier, fd, modele.mid(journal.size() + 1), nomme));
}

Note::Note(int journal, int fd, QByteArray nom, QByteArray passage)
    : journal_(journal)
    , fd_(fd)
    , nom_(std::move(nom))
    , passage_(std::move(passage)) {
    ecrire();
}

Note::~Note() {
    ::close(fd_);
    ::close(journal_);
}

void Note::nommer(const QByteArray& chemin) {
    chemin_ = chemin;
    ecrire();
}

void Note::identifier(const struct stat& dossier) {
    identite_ = dossier;
    ecrire();
}

void Note::ecrire() {
    const QByteArray texte = passage_ + '\n' + QByteArray::number(quint64(identite_.st_dev)) + ' ' +
                             QByteArray::number(quint64(identite_.st_ino)) + '\n' + chemin_;
    // Shorter than the text before it only when the path is: what stays past its end is cut.
    if (::pwrite(fd_, texte.constData(), std::size_t(texte.size()), 0) != texte.size() ||
        ::ftruncate(fd_, texte.size()) != 0) {
        std::fprintf(stderr, "korvane: the journal of Extraire ici could not be written\n");
    }
}

void Note::retirer() {
    ::unlinkat(journal_, nom_.constData(), 0);
}

void balayerJournal(const QByteArray& journal) {
    DIR* const dossier = restes::lireDossier(AT_FDCWD, journal.constData(), O_NOFOLLOW);
    if (dossier == nullptr) {
        return;
    }
    static const QRegularExpression forme(
        QStringLiteral("^(korvane-[0-9]{1,10}-[0-9]+)\n([0-9]+) ([0-9]+)\n"));
    while (const dirent* e = ::readdir(dossier)) {
        if (qstrncmp(e->d_name, "ici-", 4) != 0) {
            continue;
        }
        const int note = ::openat(::dirfd(dossier), e->d_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
        QByteArray texte(TailleMax, '\0');
        texte.resize(note < 0 ? 0 : std::max<qsizetype>(0, ::read(note, texte.data(), TailleMax)));
        if (note >= 0) {
            ::close(note);
        }
        const QRegularExpressionMatch m = forme.match(QString::fromLatin1(texte));
        if (m.hasMatch() && restes::passageVivant(m.captured(1))) {
            continue;
        }
        if (m.hasMatch()) {
            struct stat notee {};
            notee.st_dev = dev_t(m.captured(2).toULongLong());
            notee.st_ino = ino_t(m.captured(3).toULongLong());
            retirerDossierNote(texte.mid(m.capturedLength()), notee);
        }
        ::unlinkat(::dirfd(dossier), e->d_name, 0);
    }
    ::closedir(dossier);
}

} // namespace ici
