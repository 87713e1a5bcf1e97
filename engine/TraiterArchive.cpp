#include "TraiterArchive.h"

#include "FinArchive.h"
#include "GardeLiens.h"
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

// Decides, for one extraction pass, whether each entry may overwrite what is already on disk.
class GardeRemplacement {
public:
    explicit GardeRemplacement(RetourPasse& retour)
        : retour_(retour) {}

    // `chemin`: where the library writes the entry stored as `nom` (cheminExtrait).
    bool extraire(const QString& nom, const QString& chemin, bool dossier) {
        // Nothing left of the name ("..", "/", "." or not UTF-8 from its first byte): the library
        // would write nothing, or change the chosen folder itself.
        if (chemin.isEmpty()) {
            return false;
        }
        const QFileInfo cible(chemin);
        const bool lien = cible.isSymLink();
        if (!cible.exists() && !lien) {
            return true;
        }
        // Seen through a link on the way, which goes before anything is removed below.
        switch (retirerLienParent(chemin)) {
        case LienParent::Retire:
            return true;
        case LienParent::Echec:
            echecCreation();
            return false;
        case LienParent::Aucun:
            break;
        }
        // A folder that exists already is merged into; a link in its place would take the
        // library's changes of mode and time to wherever it leads.
        if (dossier) {
            if (lien) {
                retirer(chemin);
            }
            return true;
        }
        if (cible.isDir() && !lien) {
            return true; // the library reports what it cannot create
        }
        if (!accord(nom)) {
            return false;
        }
        // Opened where it is, a link, symbolic or hard, would take the data wherever it leads.
        retirer(chemin);
        return true;
    }

private:
    bool accord(const QString& nom) {
        if (pourTous_ != PourTous::Demander) {
            return pourTous_ == PourTous::Remplacer;
        }
        switch (retour_.remplacer(nom)) {
        case Remplacement::OuiPourTous:
            pourTous_ = PourTous::Remplacer;
            return true;
        case Remplacement::Oui:
            return true;
        case Remplacement::NonPourTous:
            pourTous_ = PourTous::Garder;
            return false;
        case Remplacement::Non:
            return false;
        }
        return false;
    }

    void retirer(const QString& chemin) {
        if (!QFile::remove(chemin)) {
            echecCreation();
        }
    }

    // Never returns: echec does not.
    void echecCreation() { retour_.echec({Messages::Echec::Genre::Fichier, ERAR_ECREATE}); }

    enum class PourTous { Demander, Remplacer, Garder };
    RetourPasse& retour_;
    PourTous pourTous_ = PourTous::Demander;
};

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
    QString texte = nom;
#ifdef Q_OS_WIN
    texte.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (texte.size() >= 2 && texte.at(1) == QLatin1Char(':')) {
        texte.remove(0, 2);
    }
#endif
    QStringList parties;
    for (const QString& partie : texte.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (partie != QLatin1String(".") && partie != QLatin1String("..")) {
            parties << partie;
        }
    }
    return parties.join(QLatin1Char('/'));
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
                    const QByteArray& chemin, const QString& motDePasse, bool gardes) {
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
    auto lire = [&] {
        std::memset(entete.get(), 0, sizeof(RARHeaderDataEx));
        return static_cast<qint16>(api.RARReadHeaderEx(archive.handle, entete.get()));
    };

    qint16 resultatEnTete = lire();
    retour.montrerFenetre();

    const QString libelle = libelleMode(mode);
    const int operation = operationDuMode(mode);
    const bool extraction = mode == ModeExtraction;
    const bool garder = extraction && gardes;
    GardeRemplacement garde(retour);
    VolumeCourant volume;
    LiensDeLaPasse liens(QDir::currentPath());
    while (resultatEnTete == 0) {
        volume.noter(*entete);
        const QString nom = nomEntree(*entete);
        retour.enTeteResultat(libelle);
        retour.nouvelleLigne(nom, tailleEntree(*entete));

        // The library overwrites an existing file without a word.
        const QString ecrit = extraction ? cheminExtrait(nom) : QString();
        const bool ignorer = garder && !garde.extraire(nom, ecrit, estDossier(*entete));
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
            retour.resultat(ResultatIgnore);
        } else if (resultat != 0) {
            if (Messages::erreurFichier(resultat)) {
                if (garder) {
                    liens.verifierTous();
                }
                retour.echec({Genre::Fichier, resultat});
            }
        } else if (garder && !liens.accepter(ecrit, entete->RedirType != 0)) {
            retour.resultat(ResultatLienRefuse);
        } else {
            retour.resultat(ResultatOK);
        }

        resultatEnTete = lire();
        retour.entreeTerminee();
    }

    if (garder) {
        liens.verifierTous();
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
