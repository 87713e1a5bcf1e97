#include "TraiterArchive.h"

#include "FinArchive.h"
#include "Gardes.h"
#include "Messages.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstring>
#include <cwchar>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace {

constexpr int TailleCommentaire = 16384;

// Closes the archive however the pass leaves, so that a failure reported to a caller that goes on
// (a test, the benchmark) leaves no handle open.
struct Fermeture {
    const ModuleRAR::UnrarApi& api;
    ModuleRAR::ArchiveHandle handle;
    ~Fermeture() {
        if (handle != nullptr) {
            api.RARCloseArchive(handle);
        }
    }
};

QString texteBorne(const char* texte, std::size_t taille) {
    return QString::fromLocal8Bit(texte, qsizetype(qstrnlen(texte, taille)));
}

bool nomTronque(const RARHeaderDataEx& entete) {
    constexpr std::size_t max = sizeof(entete.FileNameW) / sizeof(wchar_t);
    return wcsnlen(entete.FileNameW, max) == max;
}

QString nomEntree(const RARHeaderDataEx& entete) {
    const std::size_t max = sizeof(entete.FileNameW) / sizeof(wchar_t);
    const std::size_t longueur = wcsnlen(entete.FileNameW, max);
    if (longueur > 0) {
        return QString::fromWCharArray(entete.FileNameW, qsizetype(longueur));
    }
    return texteBorne(entete.FileName, sizeof(entete.FileName));
}

qint64 tailleEntree(const RARHeaderDataEx& entete) {
    return qint64((quint64(entete.UnpSizeHigh) << 32) | entete.UnpSize);
}

int operationDuMode(int mode) {
    switch (mode) {
    case ModeExtraction:
        return RAR_EXTRACT;
    case ModeTest:
        return RAR_TEST;
    default:
        return RAR_SKIP;
    }
}

bool estDossier(const RARHeaderDataEx& entete) {
    return (entete.Flags & RHDF_DIRECTORY) != 0;
}

// The volume that the headers come from, remembered without building a string for every entry.
class VolumeCourant {
public:
    void noter(const RARHeaderDataEx& entete) {
        constexpr std::size_t max = sizeof(entete.ArcNameW) / sizeof(wchar_t);
        const std::size_t longueur = wcsnlen(entete.ArcNameW, max);
        if (longueur != brut_.size() || wmemcmp(entete.ArcNameW, brut_.data(), longueur) != 0) {
            brut_.assign(entete.ArcNameW, longueur);
            chemin_ = QString::fromWCharArray(brut_.data(), qsizetype(longueur));
        }
        suiteAilleurs_ = (entete.Flags & RHDF_SPLITAFTER) != 0;
    }
    // The file whose end the pass reached, when it is known: an entry continued in a volume that
    // no header was read from leaves it open.
    std::optional<QString> dernier(const QString& archive) const {
        if (suiteAilleurs_) {
            return std::nullopt;
        }
        return chemin_.isEmpty() ? archive : chemin_;
    }

private:
    std::wstring brut_;
    QString chemin_;
    bool suiteAilleurs_ = false;
};

// RedirType of a hard link, and of a file stored as a copy of an earlier one (rar -oi).
enum : unsigned { RedirectionLienDur = 4, RedirectionCopie = 5 };

// For a hard link or a copy of another entry, where the library takes the file from.
std::optional<QString> donneesDe(const RARHeaderDataEx& entete) {
    if (entete.RedirType != RedirectionLienDur && entete.RedirType != RedirectionCopie) {
        return std::nullopt;
    }
    QString cible = QString::fromWCharArray(
        entete.RedirName, qsizetype(wcsnlen(entete.RedirName, entete.RedirNameSize)));
    // The library takes backslashes for folder separators here, as older archivers wrote them.
    cible.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return cheminExtrait(cible);
}

// What the library's callback reports to, for one pass.
struct Rappel {
    RetourPasse& retour;
    qint64 octets = 0; // of the current entry
};

int rappel(unsigned message, long donnee, long p1, long p2) {
    Q_UNUSED(p1);
    auto* r = reinterpret_cast<Rappel*>(donnee);
    switch (message) {
    case UCM_PROCESSDATA:
        r->octets += p2;
        r->retour.progression(r->octets);
        return 1;
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW:
        // Nobody is asked for a missing volume; any answer but -1 would make the library ask
        // again, for ever.
        return p2 == RAR_VOL_ASK ? -1 : 1;
    default:
        return -1; // no password to give from here: the library reports it missing
    }
}

} // namespace

QString cheminExtrait(const QString& nom) {
    // The library's own rule, character for character: what follows the last "/../", then
    // without any run of "/" and "." at its start (and on Windows, of drive letters and server
    // names), and nothing for a bare "..".
#ifdef Q_OS_WIN
    const auto separateur = [](QChar c) { return c == QLatin1Char('/') || c == QLatin1Char('\\'); };
    const auto lecteur = [](QChar c) { return c == QLatin1Char(':'); };
#else
    const auto separateur = [](QChar c) { return c == QLatin1Char('/'); };
    const auto lecteur = [](QChar) { return false; };
#endif
    const auto a = [&nom](qsizetype i) { return i < nom.size() ? nom.at(i) : QChar(); };
    const QChar point = QLatin1Char('.');
    qsizetype debut = 0;
    for (qsizetype i = 0; i + 3 < nom.size(); ++i) {
        if (separateur(a(i)) && a(i + 1) == point && a(i + 2) == point && separateur(a(i + 3))) {
            debut = i + 4;
        }
    }
    for (;;) {
        qsizetype s = debut;
        if (!a(s).isNull() && lecteur(a(s + 1))) {
            s += 2;
        }
        if (separateur(a(s)) && separateur(a(s + 1))) {
            int separateurs = 0;
            for (qsizetype t = s + 2; t < nom.size(); ++t) {
                if (separateur(a(t)) && ++separateurs == 2) {
                    s = t + 1;
                    break;
                }
            }
        }
        for (qsizetype t = s; t < nom.size(); ++t) {
            if (separateur(a(t))) {
                s = t + 1;
            } else if (a(t) != point) {
                break;
            }
        }
        if (s == debut) {
            break;
        }
        debut = s;
    }
    const QString reste = nom.mid(debut);
    return reste == QLatin1String("..") ? QString() : reste;
}

QString libelleMode(int mode) {
    switch (mode) {
    case ModeExtraction:
        return QStringLiteral("Extraction");
    case ModeTest:
        return QStringLiteral("Test");
    default:
        return QStringLiteral("Liste");
    }
}

void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourPasse& retour, int mode,
                    const QByteArray& chemin, const QString& motDePasse, bool avecGardes) {
    using Genre = Messages::Echec::Genre;
    // A pipe would keep the library waiting for a writer, a device would feed it for ever: only a
    // file is an archive.
    struct stat fichier {};
    if (::stat(chemin.constData(), &fichier) != 0 || !S_ISREG(fichier.st_mode)) {
        retour.echec({Genre::Ouverture, ERAR_EOPEN});
    }
    QByteArray nomArchive = chemin;
    auto tamponCommentaire = std::make_unique<char[]>(TailleCommentaire);
    std::memset(tamponCommentaire.get(), ' ', TailleCommentaire);

    RAROpenArchiveData ouverture{};
    ouverture.ArcName = nomArchive.data();
    ouverture.OpenMode = mode == ModeListe ? RAR_OM_LIST : RAR_OM_EXTRACT;
    ouverture.CmtBuf = tamponCommentaire.get();
    ouverture.CmtBufSize = TailleCommentaire;

    Fermeture archive{api, api.RAROpenArchive(&ouverture)};
    if (ouverture.OpenResult != 0 || archive.handle == nullptr) {
        // A failed open comes with no usable handle: it is never handed back to the library.
        archive.handle = nullptr;
        retour.echec({Genre::Ouverture, int(ouverture.OpenResult)});
    }
    Rappel etat{retour};
    api.RARSetCallback(archive.handle, rappel, reinterpret_cast<long>(&etat));

    if (!motDePasse.isEmpty()) {
        QByteArray secret = motDePasse.toLocal8Bit();
        api.RARSetPassword(archive.handle, secret.data());
        secret.fill('\0');
    }

    if (ouverture.CmtState == 1) {
        // The library may fill the buffer to its end without a terminating NUL.
        retour.commentaire(texteBorne(tamponCommentaire.get(), TailleCommentaire));
    }

    // About 10 KB: kept off the stack of the caller's event handler.
    auto entete = std::make_unique<RARHeaderDataEx>();
    std::vector<wchar_t> cibleLien(1024);
    auto lire = [&] {
        std::memset(entete.get(), 0, sizeof(RARHeaderDataEx));
        entete->RedirName = cibleLien.data();
        entete->RedirNameSize = unsigned(cibleLien.size());
        return static_cast<qint16>(api.RARReadHeaderEx(archive.handle, entete.get()));
    };

    qint16 resultatEnTete = lire();
    retour.montrerFenetre();

    const QString libelle = libelleMode(mode);
    const int operation = operationDuMode(mode);
    const bool extraction = mode == ModeExtraction;
    const bool garder = extraction && avecGardes;
    Gardes gardes(retour, QDir::currentPath());
    VolumeCourant volume;
    while (resultatEnTete == 0) {
        volume.noter(*entete);
        const QString nom = nomEntree(*entete);
        retour.enTeteResultat(libelle);
        retour.nouvelleLigne(nom, tailleEntree(*entete));

        Gardes::Decision decision = Gardes::Decision::Extraire;
        const QString ecrit = extraction ? cheminExtrait(nom) : QString();
        if (garder) {
            // A name that fills the header's field has more that we cannot see: the library
            // would write it somewhere else than the guards look.
            decision = nomTronque(*entete)
                           ? Gardes::Decision::Ignorer
                           : gardes.avant(nom, ecrit, estDossier(*entete), donneesDe(*entete));
        }
        const bool ignorer = decision != Gardes::Decision::Extraire;
        if (extraction && !ignorer && !estDossier(*entete)) {
            retour.extractionDe(ecrit);
        }
        etat.octets = 0;

        // No destination path and no destination name: the library then writes the entry under
        // the current directory with its stored path, after its own checks against "../" and
        // absolute names. Handing the stored name back as destination name would skip them.
        const int resultat =
            api.RARProcessFile(archive.handle, ignorer ? RAR_SKIP : operation, nullptr, nullptr);
        if (resultat == 0 && ignorer) {
            retour.resultat(decision == Gardes::Decision::LienRefuse ? ResultatLienRefuse
                                                                     : ResultatIgnore);
        } else if (resultat != 0) {
            if (Messages::erreurFichier(resultat)) {
                if (garder) {
                    gardes.verifierTous();
                }
                retour.echec({Genre::Fichier, resultat});
            }
        } else if (garder && !gardes.apres(ecrit, entete->RedirType != 0)) {
            retour.resultat(ResultatLienRefuse);
        } else {
            retour.resultat(ResultatOK);
        }

        resultatEnTete = lire();
        retour.entreeTerminee();
    }

    if (garder) {
        gardes.verifierTous();
    }
    if (Messages::erreurEnTete(resultatEnTete)) {
        retour.echec({Genre::EnTete, resultatEnTete});
    }
    // A download cut between two entries reads, to the library, as a normal end.
    const std::optional<QString> dernierVolume = volume.dernier(QFile::decodeName(chemin));
    if (resultatEnTete == ERAR_END_ARCHIVE && dernierVolume &&
        finArchive(*dernierVolume) == FinArchive::Tronquee) {
        retour.echec({Genre::Incomplete});
    }
}
