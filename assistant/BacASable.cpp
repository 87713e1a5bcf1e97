#include "BacASable.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>

namespace bac {

namespace {

bool sous(const QByteArray& chemin, const QByteArray& dossier) {
    return chemin == dossier || dossier == "/" ||
           (chemin.startsWith(dossier) && chemin.at(dossier.size()) == '/');
}

} // namespace

std::optional<QByteArray> bubblewrap() {
    static const QString programme = QStandardPaths::findExecutable(QStringLiteral("bwrap"));
    if (programme.isEmpty()) {
        return std::nullopt;
    }
    return QFile::encodeName(programme);
}

std::vector<QByteArray> commande(const QByteArray& bubblewrap, const QByteArray& programme,
                                 const std::vector<QByteArray>& volumes,
                                 const std::optional<QByteArray>& destination) {
    std::vector<QByteArray> c{
        bubblewrap,          "--unshare-user", "--unshare-ipc",        "--unshare-pid",
        "--unshare-net",     "--unshare-uts",  "--unshare-cgroup-try", "--disable-userns",
        "--die-with-parent", "--new-session",  "--cap-drop",           "ALL"};
    // The helper is the sandbox's first process, and bubblewrap tells its number: the window
    // kills it and waits for its end itself.
    c.insert(c.end(), {"--as-pid-1", "--info-fd", QByteArray::number(DescripteurInfo)});
#if defined(KORVANE_SOUS_SANITISEUR)
    // The leak checker of a sanitized helper lists its threads in /proc; the sandbox's own shows
    // only the sandbox's processes.
    c.insert(c.end(), {"--proc", "/proc"});
#endif

    // What is mounted, shallowest first, so that what lies inside another is mounted over it: a
    // volume inside the destination stays read-only.
    struct Montage {
        QByteArray chemin;
        bool ecriture;
    };
    std::vector<Montage> montages{{"/usr", false}};
    for (const QByteArray& volume : volumes) {
        montages.push_back({volume, false});
    }
    if (!sous(programme, "/usr")) {
        montages.push_back({programme, false});
    }
    if (destination) {
        montages.push_back({*destination, true});
    }
    std::stable_sort(montages.begin(), montages.end(), [](const Montage& a, const Montage& b) {
        return a.chemin.size() < b.chemin.size();
    });
    for (const Montage& m : montages) {
        if (m.ecriture) {
            c.insert(c.end(), {"--bind-fd", QByteArray::number(DescripteurDestination), m.chemin});
        } else {
            c.insert(c.end(), {"--ro-bind", m.chemin, m.chemin});
        }
    }
    const auto visible = [&](const char* chemin) {
        return std::any_of(montages.cbegin(), montages.cend(),
                           [chemin](const Montage& m) { return sous(chemin, m.chemin); });
    };
    // Debian's root folders of programs and libraries are links into /usr.
    for (const char* lien : {"/bin", "/sbin", "/lib", "/lib64"}) {
        if (!visible(lien)) {
            c.insert(c.end(), {"--symlink", QByteArray("usr") + lien, lien});
        }
    }
    // The libraries' index, and the time zone that the library converts entry times with.
    for (const char* fichier : {"/etc/ld.so.cache", "/etc/localtime"}) {
        if (!visible(fichier)) {
            c.insert(c.end(), {"--ro-bind-try", fichier, fichier});
        }
    }
    c.insert(c.end(), {"--chdir", destination.value_or("/"), "--", programme});
    return c;
}

} // namespace bac
