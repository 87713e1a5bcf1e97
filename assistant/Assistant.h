#pragma once

// The window's side of a pass: the library runs in korvane-passe, one helper process per pass,
// maybe started ahead of it, and what the helper sends is replayed here into the window's
// RetourPasse. A helper that crashes, is killed or talks nonsense ends the pass with a failure;
// this process never loads the library.

#include "RetourPasse.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QtGlobal>

#include <optional>
#include <vector>

namespace assistant {

// The helper program: beside this program in a build, in libexec/korvane/ once installed.
QString programme();
// Names the helper elsewhere, for the tests and the benchmark, whose programs live in other
// folders.
void definirProgramme(const QString& chemin);

// The library's interface version as the last helper reported it; 0 before any.
int versionBibliotheque();

// Once a helper ran outside the sandbox: that the user's files are less protected, in one line,
// and why and what still protects them.
struct Avertissement {
    QString texte;
    QString detail;
};
std::optional<Avertissement> protectionReduite();

// Starts, ahead, the helper of a list or a test of `archive` (the bytes of its path), whose hello
// sonder() then reads: it serves the next pass if that pass would have started it the same way,
// and is killed otherwise. After each pass, the helper of another pass over the same archive is
// started so, and goes with the window the pass wrote into. Any helper started ahead is killed at
// exit, and dies with this process.
void preparer(const QByteArray& archive);

// Whether the library loads: the message that says why it cannot, or nothing. Asked of the helper
// started ahead, else of one that only loads the library; either also tells whether helpers run
// in the sandbox here, as the first pass would otherwise.
std::optional<QString> sonder();

// What stands between the library and the user's files, from the strongest: the sandbox with
// Landlock, the system-call filter and the guards; Landlock, the filter and the guards; the filter
// and the guards.
enum class Niveau { Bac, Landlock, Gardes };

// The level at which helpers start in this process (Landlock standing for the levels below the
// sandbox, which only the helper can tell apart); a helper is started to learn it when no helper
// told it yet.
Niveau niveau();

// For the tests: starts helpers at `niveau` instead of the strongest that this system offers, and
// sends them `options` (protocole::Option).
void imposerNiveau(std::optional<Niveau> niveau);
void imposerOptions(quint32 options);
// For the tests: how many helpers this process started.
int auxiliairesDemarres();
// For the tests: how long a helper asked to stop may take to send its last rows before it is
// killed (a tenth of a second, or `ms`); on a loaded machine a test's helper may wait longer than
// that for a core.
void imposerAttenteArret(std::optional<int> ms);

enum class Issue {
    Terminee,
    Abandonnee,  // the user gave no password (RetourPasse::abandon)
    Interrompue, // by interrompre(): the helper is gone, and its partial file
};

// Runs one pass in `mode` over `archive` (the bytes of its path) in a helper whose current
// directory is ours, and replays it into `retour`. Every failure goes to retour.echec(). Every
// event of this thread is handled while the helper works, in a loop of this call's own.
// `selection`: the entries to process, by their place in the archive from 0, in increasing order;
// the others are skipped without a row. Empty: every entry. `fenetre`: the window that shows the
// pass, with which the helper started ahead of the next one goes; none without it.
Issue executer(RetourPasse& retour, int mode, const QByteArray& archive, const QString& motDePasse,
               const std::vector<quint32>& selection = {}, QObject* fenetre = nullptr);

// Ends the pass in progress, from an event handled while it runs: the helper is asked to stop and,
// when the window stays (`lignes`), the rows of what it finished are played, within a tenth of a
// second; it is then killed, and the file it was writing removed. The entry in work gets
// Resultat::Interrompu and executer() returns Interrompue as soon as the boxes opened meanwhile are
// closed. A helper that waits for an answer to a question has sent every row already, and is
// killed at once, as is any helper when the program ends (`lignes` false): nobody will see the
// rows. Nothing once the helper has said its last word, or without a pass.
void interrompre(bool lignes = true);

} // namespace assistant
