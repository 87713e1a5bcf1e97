#pragma once

// What the benchmark's files share.

#include <QString>
#include <QtGlobal>

#include <functional>
#include <optional>

class FUnRAR;

// The end of the program that the window asks for once a pass is over: "Quitter", or "Extraire ici"
// once every row is "OK".
struct FinDemandee {};

// A broken measurement: said on the standard error, and the benchmark ends with status 2.
[[noreturn]] void echec(const QString& message);

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
    long picEnPlusKib = 0;
    qint64 octetsPlies = 0; // what the list keeps of its names folded, all rows together
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

// The program's start on `argv[2]`, done as app/main.cpp does it with the helper `passe`, until
// the last row of its list shows: prints that moment on the monotonic clock.
int demarrageJusquALaDerniereLigne(int argc, char* argv[], const QString& passe);
// That start, timed from outside against unrar lb on the same archive, in turn, seven times each:
// the benchmark's line.
QString demarrageContreUnrar(const QString& archive);
