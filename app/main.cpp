#include "Demarrage.h"
#include "FUnRAR.h"
#include "Interaction.h"
#include "ModuleRAR.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    // After QApplication, which sets the locale from the environment itself.
    demarrage::localeUtf8();
    demarrage::traductionsQt(application);

    const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
    if (!unrar.api) {
        platform::interaction().message(nullptr, unrar.erreur, QStringLiteral("Erreur"),
                                        platform::Icone::Critique);
        return 1;
    }

    FUnRAR fenetre(*unrar.api);
    // The argument text is everything after the program's name, taken as one path.
    fenetre.Form_Load(QApplication::arguments().mid(1).join(QLatin1Char(' ')));
    fenetre.show();
    return QApplication::exec();
}
