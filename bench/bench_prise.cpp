// What finding and taking entries costs in the real window: opening the filter and keystrokes in
// it, over every row of a list pass or over a million rows fed straight into the window's list.

#include "Banc.h"

#include "FUnRAR.h"
#include "ListeResultats.h"
#include "PriseFenetre.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <ctime>
#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <vector>

namespace {

long picKib() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return r.ru_maxrss;
}

// The time this thread ran: on a machine that others share, what a keystroke costs apart from
// the time it waited for a processor.
qint64 nsProcesseur() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// The bytes that the heap has given out, large blocks mapped apart included.
qint64 octetsDuTas() {
    const struct mallinfo2 m = mallinfo2();
    return qint64(m.uordblks + m.hblkhd);
}

} // namespace

Frappes frappesDuFiltre(FUnRAR& f) {
    Frappes mesure;
    const long avant = picKib();
    QElapsedTimer chrono;
    chrono.start();
    f.prise().Mnu_Filtrer_Click();
    QCoreApplication::processEvents(); // the field drawn
    mesure.ouverture = chrono.nsecsElapsed();
    auto* champ = f.findChild<QLineEdit*>(QStringLiteral("filtre"));
    const QString nom = QStringLiteral("fichier0999.txt");
    std::vector<qint64> ns;
    std::vector<qint64> processeurs;
    const auto taper = [&](const QString& texte) {
        const qint64 processeur = nsProcesseur();
        chrono.start();
        champ->setText(texte);
        QCoreApplication::processEvents(); // the rows drawn again
        ns.push_back(chrono.nsecsElapsed());
        processeurs.push_back(nsProcesseur() - processeur);
    };
    for (qsizetype n = 1; n <= nom.size(); ++n) {
        taper(nom.left(n));
    }
    for (qsizetype n = nom.size() - 1; n >= 0; --n) {
        taper(nom.left(n));
    }
    std::sort(ns.begin(), ns.end());
    mesure.mediane = ns[ns.size() / 2];
    mesure.pire = ns.back();
    std::sort(processeurs.begin(), processeurs.end());
    mesure.medianeProcesseur = processeurs[processeurs.size() / 2];
    mesure.pireProcesseur = processeurs.back();
    mesure.picEnPlusKib = picKib() - avant;
    return mesure;
}

Frappes filtreAuMillion(FUnRAR& f) {
    // Names as the archives of the benchmark name them, a tenth of the folders accented; details
    // as a Unix archive's header gives them, files made over a month.
    ListeResultats* lignes = f.modeleResultats();
    lignes->viderLignes();
    QCoreApplication::processEvents();
    const qint64 avant = octetsDuTas();
    quint32 place = 0;
    for (int d = 0; d < 1000; ++d) {
        const QString dossier =
            (d % 10 == 0 ? QStringLiteral("Été%1/") : QStringLiteral("dossier%1/"))
                .arg(d, 3, 10, QLatin1Char('0'));
        for (int i = 0; i < 1000; ++i) {
            const quint32 hasard = place * 2654435761u;
            const DetailsEntree details{.compressee = 30,
                                        .place = place++,
                                        .drapeaux =
                                            DetailsEntree::AvecCrc | DetailsEntree::AvecDate,
                                        .modification = 1700000000 + hasard % (30 * 86400),
                                        .attributs = 0100644,
                                        .crc = hasard};
            lignes->ajouterEnTete(
                dossier + QStringLiteral("fichier%1.txt").arg(i, 4, 10, QLatin1Char('0')), 40,
                details);
        }
    }
    lignes->publier();
    QCoreApplication::processEvents();
    const double octetsParLigne = double(octetsDuTas() - avant) / lignes->nombreLignes();
    Frappes mesure = frappesDuFiltre(f);
    mesure.octetsParLigne = octetsParLigne;
    mesure.octetsPlies = lignes->octetsPlies();
    return mesure;
}
