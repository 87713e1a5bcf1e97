#include "Volumes.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include <dirent.h>
#include <sys/stat.h>

namespace volumes {

namespace {

bool chiffres(QByteArrayView v) {
    return !v.isEmpty() && std::all_of(v.begin(), v.end(), [](char c) { return std::isdigit(c); });
}

bool egalSansCasse(QByteArrayView a, QByteArrayView b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What every volume's name of the set starts with, and how a name goes on after it.
struct Modele {
    QByteArray racine;
    bool parties = false; // ".partN.rar"; else ".rar" and ".xNN"

    bool accepte(QByteArrayView nom) const {
        if (!nom.startsWith(racine)) {
            return false;
        }
        const QByteArrayView reste = nom.sliced(racine.size());
        if (parties) {
            return reste.size() > 4 && egalSansCasse(reste.last(4), ".rar") &&
                   chiffres(reste.sliced(0, reste.size() - 4));
        }
        // ".rar", or a letter and two digits, or three digits (".001").
        return egalSansCasse(reste, ".rar") ||
               (reste.size() == 4 && reste[0] == '.' &&
                ((std::isalpha(reste[1]) && chiffres(reste.sliced(2))) ||
                 chiffres(reste.sliced(1))));
    }
};

// The new numbering when the name has it, else the old one; a set named in the new way and
// numbered in the old one ("x.part1.rar", "x.part1.r00") is found by the second.
std::vector<Modele> modeles(const QByteArray& nom) {
    std::vector<Modele> m;
    // "x.part12.rar": the new numbering.
    const qsizetype point = nom.lastIndexOf('.');
    if (point > 0 && egalSansCasse(QByteArrayView(nom).sliced(point), ".rar")) {
        qsizetype debut = point;
        while (debut > 0 && std::isdigit(nom[debut - 1])) {
            --debut;
        }
        const qsizetype part = debut - 5;
        if (debut < point && part >= 0 &&
            egalSansCasse(QByteArrayView(nom).sliced(part, 5), ".part")) {
            m.push_back({nom.left(part + 5), true});
        }
    }
    m.push_back({point > 0 ? nom.left(point) : nom, false});
    return m;
}

} // namespace

std::vector<QByteArray> duJeu(const QByteArray& archive) {
    std::vector<QByteArray> jeu{archive};
    const qsizetype barre = archive.lastIndexOf('/');
    if (barre < 0) {
        return jeu;
    }
    const QByteArray dossier = barre == 0 ? QByteArray("/") : archive.left(barre);
    const QByteArray nom = archive.mid(barre + 1);
    const std::vector<Modele> m = modeles(nom);
    const std::unique_ptr<DIR, int (*)(DIR*)> d(::opendir(dossier.constData()), ::closedir);
    if (!d) {
        return jeu;
    }
    std::vector<QByteArray> autres;
    while (const dirent* e = ::readdir(d.get())) {
        const QByteArrayView n(e->d_name);
        if (n == nom ||
            std::none_of(m.cbegin(), m.cend(), [n](const Modele& x) { return x.accepte(n); })) {
            continue;
        }
        // Files only: a pipe or a device named like a volume would hold the library for ever.
        const QByteArray chemin = archive.left(barre + 1) + n.toByteArray();
        struct stat s {};
        if (::stat(chemin.constData(), &s) == 0 && S_ISREG(s.st_mode)) {
            autres.push_back(chemin);
        }
    }
    std::sort(autres.begin(), autres.end());
    jeu.insert(jeu.end(), autres.begin(), autres.end());
    return jeu;
}

QByteArray premierVolume(const QByteArray& archive) {
    const qsizetype debutNom = archive.lastIndexOf('/') + 1;
    const QByteArrayView nom = QByteArrayView(archive).sliced(debutNom);
    QByteArray premier;
    const std::vector<Modele> m = modeles(nom.toByteArray());
    if (m.front().parties) {
        // "x.partN.rar": the same number of digits, worth 1.
        const qsizetype chiffresDebut = m.front().racine.size();
        const QByteArrayView numero = nom.sliced(chiffresDebut, nom.size() - chiffresDebut - 4);
        if (numero.toInt() > 1) {
            premier = archive.left(debutNom) + m.front().racine +
                      QByteArray(numero.size() - 1, '0') + '1' + nom.last(4).toByteArray();
        }
    } else if (nom.size() > 4 && m.front().accepte(nom) && !egalSansCasse(nom.last(4), ".rar") &&
               std::isalpha(nom[nom.size() - 3])) {
        // "x.r00" and on follow "x.rar"; "x.001" has no name before it.
        premier = archive.left(debutNom) + m.front().racine +
                  (std::isupper(nom[nom.size() - 3]) ? ".RAR" : ".rar");
    }
    struct stat s {};
    if (premier.isEmpty() || ::stat(premier.constData(), &s) != 0 || !S_ISREG(s.st_mode)) {
        return archive;
    }
    return premier;
}

} // namespace volumes
