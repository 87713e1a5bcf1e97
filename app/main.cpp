#include "Assistant.h"
#include "Demarrage.h"
#include "Environnement.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "LigneCommande.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // After QApplication, which sets the locale from the environment itself. The helpers that run
    // the passes inherit the time zone from here.
    environnement::localeUtf8();
    environnement::fuseauLuUneFois();
    demarrage::traductionsQt(application);

    // A helper that only loads the library: a missing library or helper is told before anything.
    if (const std::optional<QString> erreur = assistant::sonder()) {
        platform::interaction().message(nullptr, *erreur, QStringLiteral("Erreur"),
                                        platform::Icone::Critique);
        return 1;
    }

    FUnRAR fenetre;
    fenetre.Form_Load(texteArguments(QApplication::arguments()));
    fenetre.show();
    return QApplication::exec();
}
