#include "Assistant.h"
#include "Demarrage.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "JournalIci.h"
#include "LigneCommande.h"
#include "Ouverture.h"
#include "SignauxDeFin.h"
#include "TitresEntiers.h"
#include "Volumes.h"

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char* argv[]) {
    // Every argument belongs to the archive's path, as the system's bytes, but a first one that
    // asks for "Extraire ici": none goes to Qt, which would take "-reverse" or "-style" as its own.
    const Demande demande = demandeDepuisArguments(argc, argv);
    // The helpers that run the passes inherit the time zone from here, the first one included.
    environnement::fuseauLuUneFois();
    // The helper of the archive's list starts first, and gets ready while the toolkit and the
    // window are made.
    if (!demande.extraireIci && !demande.texte.isEmpty()) {
        assistant::preparer(volumes::premierVolume(cheminArchiveDepuisArguments(
            demande.texte, QFile::encodeName(QDir::currentPath()), styleCheminNatif())));
    }
    int argcQt = 1;
    demarrage::direSiAucunAffichage();
    QApplication application(argcQt, argv);
    demarrage::affichageTrouve();
    // After QApplication, which sets the locale from the environment itself.
    environnement::localeUtf8();
    demarrage::traductionsQt(application);
    platform::garderTitresEntiers(application);
    // What the runs that were killed left of the entries they opened, and of their extractions
    // beside an archive.
    ouverture::retirerPassagesMorts(QDir::tempPath());
    ici::balayerJournal(ici::dossierJournal(false));

    // The helper started above, or one that only loads the library: a missing library or helper
    // is told before anything.
    if (const std::optional<QString> erreur = assistant::sonder()) {
        platform::interaction().message(nullptr, *erreur, QStringLiteral("Erreur"),
                                        platform::Icone::Critique);
        return 1;
    }

    FUnRAR fenetre;
    // A request to end is a "Quitter": a pass stops and the program ends once its helper is gone,
    // through exit(), which removes the folder of the entries opened.
    platform::suivreSignauxDeFin([&fenetre] { fenetre.Mnu_Quitter_Click(); });
    if (demande.extraireIci) {
        fenetre.extraireIci(demande.texte);
    } else {
        fenetre.Form_Load(demande.texte);
    }
    fenetre.show();
    return QApplication::exec();
}
