#include "Demarrage.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "LigneCommande.h"
#include "ModuleRAR.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // After QApplication, which sets the locale from the environment itself.
    demarrage::localeUtf8();
    demarrage::fuseauLuUneFois();
    demarrage::traductionsQt(application);

    const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
    if (!unrar.api) {
        platform::interaction().message(nullptr, unrar.erreur, QStringLiteral("Erreur"),
                                        platform::Icone::Critique);
        return 1;
    }

    FUnRAR fenetre(*unrar.api);
    fenetre.Form_Load(texteArguments(QApplication::arguments()));
    fenetre.show();
    return QApplication::exec();
}
