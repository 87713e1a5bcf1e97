#pragma once

// What the benchmark's files share.

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <functional>
#include <optional>
#include <vector>

class FUnRAR;

// The end of the program that the window asks for once a pass is over: "Quitter", or "Extraire ici"
// once every row is "OK".
struct FinDemandee {};

// A broken measurement: said on the standard error, and the benchmark ends with status 2.
[[noreturn]] void echec(const QString& message);

double mediane(std::vector<double> v);
// Now on the monotonic clock, in nanoseconds: what a measured process prints of a moment of its.
qint64 maintenantNs();
// Runs `commande` in a process of its own: what it printed on its standard output.
QString sortieDe(const QStringList& commande);

// One measurement, the medians of several, or the most of the peaks.
struct Mesure {
    double secondes = 0;
    double premiereMs = 0;
    double picMib = 0;
    qint64 lignes = 0;
    double processeur = 0; // seconds, of the whole tree: the window, its sandboxes and helpers
    double auxiliaire = 0; // seconds, of the sandboxes and helpers alone
};
struct Comparaison {
    Mesure nu;
    Mesure fenetre;
};
// Where extractions write: a folder on the disk, or one in memory.
struct Lieu {
    QString dossier;
    bool enMemoire = false;
};
// One measurement of `variante` (bench_korvane --mesure) in a process of its own.
Mesure uneMesure(const QString& variante, int mode, const QString& archive, const Lieu& lieu);
// The median of each variant, measured in turn `repetitions` times.
std::vector<Mesure> alterner(const QStringList& variantes, int mode, const QString& archive,
                             const Lieu& lieu, int repetitions);
// The bare driver against the window.
Comparaison comparer(int mode, const QString& archive, const Lieu& lieu, int repetitions);
// The table: its header, and a row, which returns the window's time per entry in microseconds.
void enTete();
double ligne(const QString& archive, const QString& passe, const Comparaison& r);

// One measurement (bench_korvane --mesure ...): prints the time in nanoseconds, the first row's
// time, the peak resident size in KiB and the number of rows.
int mesurer(int argc, char* argv[]);
// The median time of starting N helpers that do no pass (bench_korvane --demarrage N).
int demarrages(int argc, char* argv[]);
// The filter over a million rows, in a process of its own (bench_korvane --million): prints what
// Frappes holds, in its order.
int auMillion(int argc, char* argv[]);

// `dossiers` folders of `parDossier` small files each; a few large files that compress to about
// half; 4,000 symbolic links to files that are not there. Each made in `racine` from files written
// under `arbres`, which are left there; its path returned.
QString archivePetitsFichiers(const QString& racine, const QString& arbres, int dossiers,
                              int parDossier);
QString archiveGrosFichiers(const QString& racine, const QString& arbres);
QString archiveMillion(const QString& racine, const QString& arbres); // 1,001,000 entries
QString archiveLiensVides(const QString& racine, const QString& arbres);

// A folder on a file system in memory (tmpfs): `demande` when given, else /dev/shm or the user's
// runtime folder, the first that is one and can be written; nothing when there is none.
std::optional<QString> dossierEnMemoire(const QString& demande);

// What the filter of the window costs, in nanoseconds: opening its field, then the median and the
// worst keystroke, and the most processor time a keystroke took; and what it added to the
// process's peak memory.
struct Frappes {
    qint64 ouverture = 0;
    qint64 mediane = 0;
    qint64 pire = 0;
    qint64 pireProcesseur = 0;
    qint64 medianeProcesseur = 0;
    long picEnPlusKib = 0;
    double octetsParLigne = 0; // what the rows added to the heap, the view's share included
    qint64 octetsPlies = 0;    // what the list keeps of its names folded, all rows together
};

// Opens the filter of `f`, which shows a list pass's rows, types a name's letters one by one, then
// rubs them out again.
Frappes frappesDuFiltre(FUnRAR& f);
// The same over a million rows put straight into the list of `f`, as a list pass would put them.
Frappes filtreAuMillion(FUnRAR& f);

// Extracts `archive` into the current directory in `f`, and asks the window to close once the
// first file is being written: how long the close took, in nanoseconds.
qint64 fermetureEnExtraction(FUnRAR& f, const QString& archive);
// Seven closes timed by `uneFermeture` (in milliseconds) while busy loops hold both cores: the
// benchmark's line.
QString fermeturesSousCharge(const std::function<double()>& uneFermeture);

// Stops the extraction of `archive` into the current directory in `f` with Échap once many rows
// show: the time from the request to the pass's end in nanoseconds, the rows that say OK, the
// number the end line says, the files of those rows that are whole on the disk, and the files on
// the disk, in one line.
QString arretEnExtraction(FUnRAR& f, const QString& archive);
// That stop, `repetitions` times into folders made in `dossier`: the benchmark's line.
QString arretsEnExtraction(const QString& archive, const QString& dossier, int repetitions);
// The window lists the archive `argv[2]` and is closed (bench_korvane --fermeture-million):
// prints the time of the close request on the monotonic clock, and the rows.
int fermetureAuMillion(int argc, char* argv[]);
// How long that close takes until the program's end, measured from outside: the benchmark's line.
QString fermeturesAuMillion(const QString& archive, int repetitions);

// The program's start on `argv[2]`, done as app/main.cpp does it with the helper `passe`, until
// the last row of its list shows: prints that moment on the monotonic clock.
int demarrageJusquALaDerniereLigne(int argc, char* argv[], const QString& passe);
// That start, timed from outside against the bare library's list, unrar lb and bsdtar -t of the
// same archive when they are installed, in turn, `repetitions` times each, with the processor time
// of each one's whole tree: the benchmark's line.
QString demarrageContreLesAutres(const QString& archive, int repetitions);
