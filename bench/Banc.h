#pragma once

// What the benchmark's files share.

#include <QString>
#include <QtGlobal>

class FUnRAR;

// A broken measurement: said on the standard error, and the benchmark ends with status 2.
[[noreturn]] void echec(const QString& message);

// `dossiers` folders of `parDossier` small files each; a few large files that compress to about
// half; 4,000 symbolic links to files that are not there. Each made in `racine`, its path returned.
QString archivePetitsFichiers(const QString& racine, int dossiers, int parDossier);
QString archiveGrosFichiers(const QString& racine);
QString archiveLiensVides(const QString& racine);

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
