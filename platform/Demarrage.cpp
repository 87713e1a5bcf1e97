#include "Demarrage.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace demarrage {

void traductionsQt(QApplication& application) {
    // The program speaks French whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    auto* traducteur = new QTranslator(&application);
    if (traducteur->load(QLocale(QLocale::French), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QApplication::installTranslator(traducteur);
    }
}

} // namespace demarrage
