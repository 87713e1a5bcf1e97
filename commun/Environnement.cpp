#include "Environnement.h"

#include <QByteArray>
#include <QtGlobal>

#include <clocale>
#include <cstring>
#include <ctime>

#ifndef Q_OS_WIN
#include <langinfo.h>
#endif

namespace environnement {

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

} // namespace environnement
