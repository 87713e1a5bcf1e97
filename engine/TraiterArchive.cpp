#include "TraiterArchive.h"

#include "FinArchive.h"
#include "Gardes.h"
#include "Large.h"
#include "Lectures.h"

#include <algorithm>
#include <cstdint>
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
    Gardes* gardes;
    ~Fermeture() {
        if (handle != nullptr) {
            const Gardes::Service service(gardes);
            api.RARCloseArchive(handle);
        }
    }
};

// Code between two calls (the C library's vector string functions, a caller's text conversions)
// may leave the upper halves of the AVX registers dirty. The library's SSE code then pays a
// transition penalty on every vector instruction until they are cleared: about a sixth of a list
// pass on x86-64.
inline void avantBibliotheque() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
    static const bool avx = __builtin_cpu_supports("avx");
    if (avx) {
        __asm__ volatile("vzeroupper" ::: "memory");
    }
#endif
}

// The locale's bytes, UTF-8 in every process that runs the library (environnement::localeUtf8).
std::string texteBorne(const char* texte, std::size_t taille) {
    return std::string(texte, strnlen(texte, taille));
}

void nomEntree(const RARHeaderDataEx& entete, std::string& nom) {
    const std::size_t max = sizeof(entete.FileNameW) / sizeof(wchar_t);
    const std::size_t longueur = wcsnlen(entete.FileNameW, max);
    if (longueur > 0) {
        large::versUtf8(std::wstring_view(entete.FileNameW, longueur), nom);
    } else {
        nom.assign(entete.FileName, strnlen(entete.FileName, sizeof(entete.FileName)));
    }
}

std::int64_t tailleEntree(const RARHeaderDataEx& entete) {
    return std::int64_t((std::uint64_t(entete.UnpSizeHigh) << 32) | entete.UnpSize);
}

// What an entry's header says it will write; negative when it does not know (an archive made
// from a stream), which the library tells with its own mark.
std::int64_t tailleDeclaree(const RARHeaderDataEx& entete) {
    constexpr std::int64_t Inconnue = (std::int64_t(0x7fffffff) << 32) + 0x7fffffff;
    const std::int64_t taille = tailleEntree(entete);
    return taille == Inconnue ? -1 : taille;
}

// A volume changed under the pass (Lectures.h): the library's reads of it failed, which it took for
// a damaged entry or for the archive's end.
bool volumeChange() {
    const Lectures* l = Lectures::duProcessus();
    return l != nullptr && l->volumeChange();
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

// What the header says of the entry besides its name and size. `format`: the archive's (4 or 5, 0
// when unknown).
DetailsEntree detailsEntree(const RARHeaderDataEx& entete, std::uint32_t place, int format) {
    DetailsEntree d;
    d.compressee = std::int64_t((std::uint64_t(entete.PackSizeHigh) << 32) | entete.PackSize);
    d.place = place;
    d.systeme = std::uint8_t(std::min(entete.HostOS, unsigned(DetailsEntree::Inconnu)));
    d.attributs = entete.FileAttr;
    const bool chiffree = (entete.Flags & RHDF_ENCRYPTED) != 0;
    d.drapeaux = std::uint8_t((estDossier(entete) ? DetailsEntree::Dossier : 0) |
                              (chiffree ? DetailsEntree::Chiffree : 0));
    // The time in UTC, 100 ns since 1601; 0 when the archive did not store it. The DOS time beside
    // it is local and to two seconds: the same moment, less well.
    const std::uint64_t temps = (std::uint64_t(entete.MtimeHigh) << 32) | entete.MtimeLow;
    if (temps != 0) {
        d.modification = std::int64_t(temps / 10000000) + DetailsEntree::DateMin;
        d.drapeaux |= DetailsEntree::AvecDate;
    }
    // A folder has no data: RAR 4 gives it a CRC of 0, RAR 5 none (its field keeps the last
    // file's). RAR 5 mixes the CRC of an encrypted entry with a key of its password, and may
    // store BLAKE2 instead.
    if (entete.HashType == RAR_HASH_CRC32 && !estDossier(entete) && (!chiffree || format == 4)) {
        d.crc = entete.FileCRC;
        d.drapeaux |= DetailsEntree::AvecCrc;
    }
    return d;
}

// The volume that the headers come from, remembered without building a string for every entry.
class VolumeCourant {
public:
    void noter(const RARHeaderDataEx& entete) {
        constexpr std::size_t max = sizeof(entete.ArcNameW) / sizeof(wchar_t);
        const std::size_t longueur = wcsnlen(entete.ArcNameW, max);
        if (longueur != brut_.size() || wmemcmp(entete.ArcNameW, brut_.data(), longueur) != 0) {
            brut_.assign(entete.ArcNameW, longueur);
            chemin_ = large::versUtf8(brut_);
            ++nombre_;
        }
        suiteAilleurs_ = (entete.Flags & RHDF_SPLITAFTER) != 0;
    }
    // The file whose end the pass reached, when it is known: an entry continued in a volume that
    // no header was read from leaves it open.
    std::optional<std::string> dernier(const std::string& archive) const {
        if (suiteAilleurs_) {
            return std::nullopt;
        }
        return chemin_.empty() ? archive : chemin_;
    }

    // The number of volume files that headers came from: the archive alone is one.
    int nombre() const { return std::max(nombre_, 1); }

private:
    std::wstring brut_;
    std::string chemin_;
    bool suiteAilleurs_ = false;
    int nombre_ = 0;
};

// What the entry is, for the guards: RedirType 1 to 3 are links (Unix, Windows, junction), 4 a
// hard link, 5 a copy of an earlier file (rar -oi).
Gardes::Genre genreDe(const RARHeaderDataEx& entete) {
    switch (entete.RedirType) {
    case 1:
    case 2:
    case 3:
        return Gardes::Genre::LienSymbolique;
    case 4:
        return Gardes::Genre::LienDur;
    case 5:
        return Gardes::Genre::Copie;
    default:
        return estDossier(entete) ? Gardes::Genre::Dossier : Gardes::Genre::Fichier;
    }
}

// What the library's callback reports to, for one pass.
struct Rappel {
    RetourMoteur& retour;
    std::int64_t octets = 0; // of the current entry
    bool incorrect = false;  // the password given last was wrong
    bool abandon = false;    // the user gave none
    int demandes = 0;        // passwords asked since the archive was opened
    bool arrete = false;     // the entry was abandoned: the window asked the pass to stop
};

int repondre(unsigned message, long donnee, long p1, long p2) {
    auto* r = reinterpret_cast<Rappel*>(donnee);
    switch (message) {
    case UCM_PROCESSDATA:
        if (r->retour.arretDemande()) {
            r->arrete = true;
            return -1; // the library abandons the entry there
        }
        r->octets += p2;
        r->retour.progression(r->octets);
        return 1;
    case UCM_CHANGEVOLUME:
    case UCM_CHANGEVOLUMEW:
        // Nobody is asked for a missing volume; any answer but -1 would make the library ask
        // again, for ever.
        return p2 == RAR_VOL_ASK ? -1 : 1;
    case UCM_NEEDPASSWORDW: {
        if (r->abandon || p2 <= 1) {
            return -1;
        }
        ++r->demandes;
        std::optional<std::string> saisi = r->retour.motDePasse(r->incorrect);
        if (!saisi || saisi->empty()) {
            r->abandon = true; // the library then reports the password missing
            return -1;
        }
        std::wstring large = large::depuisUtf8(*saisi);
        std::fill(saisi->begin(), saisi->end(), '\0');
        auto* tampon = reinterpret_cast<wchar_t*>(p1);
        const std::size_t n = std::min(large.size(), std::size_t(p2) - 1);
        std::wmemcpy(tampon, large.data(), n);
        tampon[n] = L'\0';
        std::fill(large.begin(), large.end(), L'\0');
        return 1;
    }
    default:
        return -1; // the 8-bit password request, made only when the wide one gave none
    }
}

// The library goes on with its work after a callback, a whole entry after the progress one: the
// registers are cleared on the way back as before each call.
int rappel(unsigned message, long donnee, long p1, long p2) {
    const Gardes::Service pause(nullptr); // our own code: its calls are not the library's
    const int reponse = repondre(message, donnee, p1, p2);
    avantBibliotheque();
    return reponse;
}

} // namespace

namespace {

using Genre = GenreEchec;

// One pass: the archive may be opened more than once, when a password typed for it was wrong; the
// entries already done are then skipped, so that none is shown, tested or written twice.
class Passe {
public:
    Passe(const ModuleRAR::UnrarApi& api, RetourMoteur& retour, int mode, const std::string& chemin,
          Gardes* gardes, const Selection& selection)
        : api_(api)
        , retour_(retour)
        , mode_(mode)
        , chemin_(chemin)
        , selection_(selection)
        , libelle_(libelleModeUtf8(mode))
        , gardes_(gardes)
        , archive_{api, nullptr, gardes}
        , rappel_{retour} {}

    void executer(const std::string& motDePasse) {
        std::string donne = motDePasse;
        std::int64_t faites = 0; // entries whose rows are out
        bool reprise = false;    // the last of them is to be processed again
        for (bool premiere = true;; premiere = false) {
            ouvrir(donne, premiere);
            std::fill(donne.begin(), donne.end(), '\0');
            donne.clear(); // a password found wrong is asked again, not given again
            std::int16_t resultat = lire();
            if (premiere) {
                retour_.montrerFenetre();
            }
            std::int64_t lues = 0;
            for (; resultat == 0 && lues < faites - (reprise ? 1 : 0); ++lues) {
                const int r = traiter(RAR_SKIP);
                if (r == ERAR_BAD_PASSWORD || r == ERAR_MISSING_PASSWORD) {
                    resultat = std::int16_t(r);
                    break;
                }
                resultat = lire();
            }
            while (resultat == 0) {
                if (retour_.arretDemande()) {
                    retour_.arrete();
                }
                const bool nouvelle = !(reprise && lues == faites - 1);
                if (nouvelle) {
                    ++faites;
                }
                reprise = false;
                const int r = entree(nouvelle, lues);
                if (r == ERAR_BAD_PASSWORD || r == ERAR_MISSING_PASSWORD) {
                    reprise = true;
                    resultat = std::int16_t(r);
                    break;
                }
                resultat = lire();
                ++lues;
                retour_.entreeTerminee();
            }
            if (resultat == ERAR_MISSING_PASSWORD && rappel_.abandon) {
                retour_.abandon();
                return;
            }
            // A password found wrong is asked again, as long as the user answers; one that nobody
            // was asked for this time (given with Check1, or the library's own guess) as well.
            if (resultat == ERAR_BAD_PASSWORD && (premiere || rappel_.demandes > 0)) {
                rappel_.incorrect = true;
                fermer();
                continue;
            }
            finir(resultat);
            return;
        }
    }

private:
    void ouvrir(const std::string& motDePasse, bool premiere) {
        std::string nomArchive = chemin_;
        auto tamponCommentaire = std::make_unique<char[]>(TailleCommentaire);
        std::memset(tamponCommentaire.get(), ' ', TailleCommentaire);
        RAROpenArchiveDataEx ouverture{};
        ouverture.ArcName = nomArchive.data();
        ouverture.OpenMode = mode_ == ModeListe ? RAR_OM_LIST : RAR_OM_EXTRACT;
        ouverture.CmtBuf = tamponCommentaire.get();
        ouverture.CmtBufSize = TailleCommentaire;

        {
            const Gardes::Service service(gardes_);
            avantBibliotheque();
            archive_.handle = api_.RAROpenArchiveEx(&ouverture);
        }
        if (ouverture.OpenResult != 0 || archive_.handle == nullptr) {
            // A failed open comes with no usable handle: it is never handed back to the library.
            archive_.handle = nullptr;
            retour_.echec({Genre::Ouverture, int(ouverture.OpenResult)});
        }
        if (premiere) {
            format_ = formatArchive(chemin_);
            retour_.archive(ouverture.Flags, format_);
        }
        rappel_.demandes = 0;
        api_.RARSetCallback(archive_.handle, rappel, reinterpret_cast<long>(&rappel_));
        if (!motDePasse.empty()) {
            std::string secret = motDePasse; // UTF-8, the locale's encoding
            api_.RARSetPassword(archive_.handle, secret.data());
            std::fill(secret.begin(), secret.end(), '\0');
        }
        // A comment of the buffer's size or more comes as far as the buffer holds it, perhaps
        // without a terminating NUL.
        if (premiere && (ouverture.CmtState == 1 || ouverture.CmtState == ERAR_SMALL_BUF)) {
            retour_.commentaire(texteBorne(tamponCommentaire.get(), TailleCommentaire),
                                ouverture.CmtState == ERAR_SMALL_BUF);
        }
    }

    void fermer() {
        const Gardes::Service service(gardes_);
        api_.RARCloseArchive(archive_.handle);
        archive_.handle = nullptr;
    }

    // The record is cleared once, when made: a header read that succeeds writes every field that
    // the pass reads (the names padded with NULs to their fields' ends), and after one that fails
    // the pass reads none. Clearing its 10 KB for every entry was a tenth of a list's time.
    std::int16_t lire() {
        const Gardes::Service service(gardes_);
        avantBibliotheque();
        return static_cast<std::int16_t>(api_.RARReadHeaderEx(archive_.handle, entete_.get()));
    }

    // The library's work on the entry whose header was read last: `operation` is RAR_SKIP,
    // RAR_TEST or RAR_EXTRACT. No destination path and no destination name: the library then
    // writes the entry under the current directory with its stored path, after its own checks
    // against "../" and absolute names, and the guards see each of its calls.
    int traiter(int operation) {
        const Gardes::Service service(gardes_);
        avantBibliotheque();
        return api_.RARProcessFile(archive_.handle, operation, nullptr, nullptr);
    }

    // The entry whose header was read last: its row when `nouvelle`, the library's work and the
    // result. Returns the library's code for the entry.
    int entree(bool nouvelle, std::int64_t place) {
        const RARHeaderDataEx& entete = *entete_;
        volume_.noter(entete);
        if (!selection_.empty() &&
            !std::binary_search(selection_.begin(), selection_.end(), std::uint32_t(place))) {
            // Left out: skipped by the library, which decodes it all the same in a solid archive.
            if (nouvelle) {
                retour_.entreeSautee(tailleEntree(entete));
            }
            rappel_.octets = 0;
            return traiter(RAR_SKIP);
        }
        if (nouvelle) {
            retour_.enTeteResultat(libelle_);
            retour_.detailsLigne(detailsEntree(entete, std::uint32_t(place), format_));
            nomEntree(entete, nom_);
            retour_.nouvelleLigne(nom_, tailleEntree(entete));
        }
        const bool guettee = gardes_ != nullptr && mode_ == ModeExtraction;
        if (guettee) {
            if (const std::optional<Reserve::Manque> manque =
                    gardes_->debutEntree(genreDe(entete), tailleDeclaree(entete))) {
                retour_.echec(
                    {Genre::Place, 0,
                     std::to_string(manque->besoin) + '\n' + std::to_string(manque->reste)});
            }
        }
        rappel_.octets = 0;
        const int resultat = traiter(operationDuMode(mode_));
        if (rappel_.arrete) {
            retour_.arrete(); // its partial file is the window's to remove
        }
        if (resultat == ERAR_BAD_PASSWORD || resultat == ERAR_MISSING_PASSWORD) {
            return resultat; // asked again, or the user gave up: decided by the caller
        }
        // The guards know what is on disk: their word comes first.
        if (const std::optional<Gardes::Verdict> v =
                guettee ? gardes_->finEntree(resultat) : std::nullopt) {
            retour_.resultat(v->resultat, v->code);
        } else if (resultat == 0) {
            retour_.resultat(Resultat::OK);
        } else if (codes::entreeFatale(resultat)) {
            retour_.echec({Genre::Fichier, volumeChange() ? ERAR_EREAD : resultat});
        } else {
            retour_.resultat(Resultat::Code, resultat);
        }
        return resultat;
    }

    void finir(std::int16_t resultat) {
        if (volumeChange()) {
            retour_.echec({Genre::Fichier, ERAR_EREAD}); // whatever the library made of it
        }
        if (codes::finFatale(resultat)) {
            retour_.echec({Genre::EnTete, resultat});
        }
        if (resultat == ERAR_END_ARCHIVE) {
            // The guards see every volume the library opens, also those that only hold the rest
            // of an entry; without them, the volumes that headers came from.
            retour_.volumesLus(gardes_ != nullptr ? gardes_->volumesOuverts() : volume_.nombre());
        }
        // A download cut between two entries reads, to the library, as a normal end.
        const std::optional<std::string> dernierVolume = volume_.dernier(chemin_);
        if (resultat == ERAR_END_ARCHIVE && dernierVolume &&
            finArchive(*dernierVolume) == FinArchive::Tronquee) {
            retour_.echec({Genre::Incomplete});
        }
    }

    const ModuleRAR::UnrarApi& api_;
    RetourMoteur& retour_;
    const int mode_;
    const std::string chemin_;
    const Selection& selection_;
    const char* const libelle_;
    Gardes* const gardes_;
    Fermeture archive_;
    Rappel rappel_;
    VolumeCourant volume_;
    int format_ = 0;
    // About 10 KB: kept off the stack of the caller's event handler.
    std::unique_ptr<RARHeaderDataEx> entete_ = std::make_unique<RARHeaderDataEx>();
    std::string nom_; // the entry's, in UTF-8
};

} // namespace

void TraiterArchive(const ModuleRAR::UnrarApi& api, RetourMoteur& retour, int mode,
                    const std::string& chemin, const std::string& motDePasse, Gardes* gardes,
                    const Selection& selection) {
    // A pipe would keep the library waiting for a writer, a device would feed it for ever: only a
    // file is an archive.
    struct stat fichier {};
    if (::stat(chemin.c_str(), &fichier) != 0 || !S_ISREG(fichier.st_mode)) {
        retour.echec({Genre::Ouverture, ERAR_EOPEN});
    }
    Passe(api, retour, mode, chemin, gardes, selection).executer(motDePasse);
}
