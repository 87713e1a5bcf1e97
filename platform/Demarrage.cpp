#include "Demarrage.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <clocale>
#include <cstring>
#include <ctime>

#ifndef Q_OS_WIN
#include <langinfo.h>
#endif

namespace demarrage {

void localeUtf8() {
#ifndef Q_OS_WIN
    std::setlocale(LC_ALL, "");
    const char* jeu = nl_langinfo(CODESET);
    if (jeu != nullptr && std::strcmp(jeu, "UTF-8") == 0) {
        return;
    }
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, "en_US.UTF-8");
    }
#endif
}

void fuseauLuUneFois() {
#if defined(__GLIBC__)
    if (!qEnvironmentVariableIsSet("TZ")) {
        qputenv("TZ", ":/etc/localtime");
        tzset();
    }
#endif
}

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
