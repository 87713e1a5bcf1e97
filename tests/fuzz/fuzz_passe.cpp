// libFuzzer target: every input is written out as an archive, then listed and tested by the real
// library, in the window's helper process, into the real main window, as when a user opens a
// damaged or hostile file. Besides what the sanitizers report, each pass is held to what the window
// promises: a failed pass, a crash of the library among them, ends the program with status 1 after
// exactly one error box, the only other box is the archive's comment, the list shows every row the
// pass wrote, and no row of a list or test pass carries another result than OK.
//
// The helper loads libunrar.so.5 the usual way: LD_LIBRARY_PATH can point it at another build.

#include "Assistant.h"
#include "CheminsPartages.h"
#include "FUnRAR.h"
#include "FausseInteraction.h"
#include "ListeResultats.h"
#include "Messages.h"
#include "RetourPasse.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QThreadPool>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace {

// The password of the seeds that rar encrypted (tests/fuzz/graines).
const QString MotDePasse = QStringLiteral("korvane");

[[noreturn]] void violation(const char* passe, const QString& detail) {
    std::fprintf(stderr, "fuzz_passe: %s pass: %s\n", passe, qPrintable(detail));
    std::abort();
}

// The folder of the input file, removed when the process exits; through the standard library,
// as Qt's globals may be gone by then.
struct DossierTemporaire {
    DossierTemporaire() {
        std::string modele =
            (std::filesystem::temp_directory_path() / "fuzz_passe-XXXXXX").string();
        if (mkdtemp(modele.data()) == nullptr) {
            violation("set-up", QStringLiteral("no temporary folder"));
        }
        chemin = modele;
    }
    ~DossierTemporaire() {
        std::error_code ignoree;
        std::filesystem::remove_all(chemin, ignoree);
    }
    std::filesystem::path chemin;
};

// Everything that lives for the whole run: one window serves every input, as one window serves
// every archive a user opens.
struct Banc {
    Banc(int& argc, char** argv, const QString& fichier)
        : application(argc, argv)
        , chemin(fichier) {}

    QApplication application;
    FausseInteraction boites;
    FUnRAR fenetre;
    QString chemin;
};

// Never destroyed: libFuzzer ends the process with exit(), when the globals that Qt created during
// the run are already gone, and a window destroyed after them crashes in Qt.
Banc* banc = nullptr;

// Random names make Qt warn about fonts by the thousand; only its fatal errors are worth a line.
void messageQt(QtMsgType type, const QMessageLogContext&, const QString& texte) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "Qt: %s\n", qPrintable(texte));
    }
}

void verifierPasse(void (FUnRAR::*commande)(), const char* passe) {
    FausseInteraction& boites = banc->boites;
    boites.messages.clear();
    bool finie = false;
    try {
        (banc->fenetre.*commande)();
    } catch (const FinDuProgramme& fin) {
        if (fin.statut != 1) {
            violation(passe, QStringLiteral("a failed pass ended with status %1").arg(fin.statut));
        }
        finie = true;
    }

    // The archive's comment, if any, first; then one error box when the pass failed, else none.
    QStringList titres;
    for (const MessageVu& m : boites.messages) {
        titres << m.titre;
    }
    const QString vus = titres.join(QStringLiteral(", "));
    if (!titres.isEmpty() && titres.first() == Messages::TitreCommentaire) {
        titres.removeFirst();
    }
    if (titres != (finie ? QStringList{Messages::TitreErreur} : QStringList{})) {
        violation(passe, QStringLiteral("boxes [%1], ended: %2").arg(vus).arg(finie));
    }

    // Read every cell the way the view would, so that the sanitizers see each row's storage.
    const ListeResultats& modele = *banc->fenetre.modeleResultats();
    if (modele.rowCount() != modele.nombreLignes()) {
        violation(passe, QStringLiteral("%1 rows written, %2 shown")
                             .arg(modele.nombreLignes())
                             .arg(modele.rowCount()));
    }
    for (int ligne = 0; ligne < modele.rowCount(); ++ligne) {
        modele.data(modele.index(ligne, ListeResultats::ColonneFichier));
        modele.data(modele.index(ligne, ListeResultats::ColonneTaille));
        // An entry that failed without ending the pass keeps an empty result.
        const QString resultat =
            modele.data(modele.index(ligne, ListeResultats::ColonneResultat)).toString();
        if (!resultat.isEmpty() && resultat != QLatin1String("OK")) {
            violation(passe, QStringLiteral("row %1 reads ").arg(ligne) + resultat);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(messageQt);
    // Qt gets a copy of the program name only: libFuzzer's own flags are not Qt's to take.
    static int argcQt = 1;
    static char* argvQt[] = {(*argv)[0], nullptr};
    Q_UNUSED(argc);

    static const DossierTemporaire dossier;
    banc =
        new Banc(argcQt, argvQt, QString::fromStdString((dossier.chemin / "entree.rar").string()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* donnees, std::size_t taille) {
    {
        QFile f(banc->chemin);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            f.write(reinterpret_cast<const char*>(donnees), qint64(taille)) != qint64(taille)) {
            violation("set-up", QStringLiteral("cannot write ") + banc->chemin);
        }
    }
    ModuleRAR::CheminArchive = banc->chemin;

    // Listed without a password, as a first open does, then tested with the seeds' password, so
    // that both the refusals and the decryption get their share of inputs.
    auto* check1 = banc->fenetre.findChild<QCheckBox*>(QStringLiteral("Check1"));
    check1->setChecked(false);
    verifierPasse(&FUnRAR::Mnu_Lister_Click, "list");
    banc->boites.motsDePasse.enqueue(MotDePasse);
    check1->setChecked(true);
    verifierPasse(&FUnRAR::Mnu_Tester_Click, "test");

    // What the event loop does between two commands of the user.
    QCoreApplication::processEvents();
    // The paint threads leave as soon as they are idle; one caught leaving, its own data no longer
    // reachable, would read as a leak to the check that libFuzzer runs after an input.
    QThreadPool::globalInstance()->waitForDone();
    return 0;
}
