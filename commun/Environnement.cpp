#include "Environnement.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <langinfo.h>

namespace environnement {

void localeUtf8() {
    std::setlocale(LC_ALL, "");
    const char* jeu = nl_langinfo(CODESET);
    if (jeu != nullptr && std::strcmp(jeu, "UTF-8") == 0) {
        return;
    }
    if (std::setlocale(LC_CTYPE, "C.UTF-8") == nullptr) {
        std::setlocale(LC_CTYPE, "en_US.UTF-8");
    }
}

void fuseauLuUneFois() {
#if defined(__GLIBC__)
    if (std::getenv("TZ") == nullptr) {
        ::setenv("TZ", ":/etc/localtime", 1);
        tzset();
    }
#endif
}

} // namespace environnement
