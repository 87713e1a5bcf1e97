#pragma once

// The guards at the library's calls. The library reaches the file system only through a few C
// library functions; the helper defines them itself (passe/Appels.cpp), so that while the library
// works for a pass each of its calls comes here, with the exact bytes the library passed, and is
// decided and done here: one place that knows what the library really opens, makes, changes and
// removes, whatever the archive's names became on their way.
//
// What may happen:
// - reads: the archive's volumes, by their exact paths; in an extraction, files that this pass made
//   beneath the chosen folder (the sources of copies and hard links);
// - in an extraction only, everything else relative to a descriptor of the chosen folder, resolved
//   by the kernel beneath it (openat2, RESOLVE_BENEATH): nothing outside is opened, made, linked,
//   changed or removed, and nothing is written through a link at all;
// - what this pass did not make (a file or link of the user's) is changed or removed only after
//   the replace question, asked at the first call that would do it; a folder of the user's keeps
//   its mode and times, the chosen folder too;
// - a symbolic link is made only when its target, taken from where the link stands, stays beneath
//   the chosen folder: a relative target whose ".." all come first, then names, none of which
//   leads out now. Climbing only from a real folder and then only descending, such a link stays
//   beneath whatever the names later become, so no link is ever checked twice.
// Everything else fails with an error, which the library reports for that entry.

#include "Dessous.h"
#include "Reserve.h"
#include "RetourMoteur.h"

#include <string>
#include <string_view>

#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

class Gardes {
public:
    // What the entry being processed is, from its header.
    enum class Genre { Fichier, Dossier, LienSymbolique, LienDur, Copie };

    // `volumes`: the archive's files, the only ones read by path. In an extraction the current
    // directory is the chosen folder.
    Gardes(RetourMoteur& retour, int mode, std::vector<std::string> volumes);
    ~Gardes() { lacherEcrit(); }
    Gardes(const Gardes&) = delete;
    Gardes& operator=(const Gardes&) = delete;

    // The guards in service: those of the pass whose library is at work, or none. The exported
    // functions ask this at every call; calls made by anything else than the library pass.
    static Gardes* enService();

    // Puts `gardes` (which may be none) in service for the life of this object: around each call
    // into the library. A callback of the library into our code takes them out again.
    class Service {
    public:
        explicit Service(Gardes* gardes);
        ~Service();
        Service(const Service&) = delete;
        Service& operator=(const Service&) = delete;

    private:
        Gardes* avant_;
    };

    // Before and after the library processes an entry of an extraction. debutEntree() tells,
    // for an entry whose header declares `taille` bytes (negative: unknown), what it lacks when
    // it does not fit in the room left: it must not be started then. finEntree() gives the
    // entry's result when the guards decided it, or when the library said OK without making it;
    // nothing when the library's code tells.
    struct Verdict {
        Resultat resultat;
        int code = 0; // the library's, with Resultat::Code
    };
    std::optional<Reserve::Manque> debutEntree(Genre genre, std::int64_t taille);
    std::optional<Verdict> finEntree(int code);

    // The archive's volume files that the library opened so far.
    int volumesOuverts() const { return int(ouverts_.size()); }
    // `fd` is the file that the entry's own open has just made or rewritten.
    bool ecritSur(int fd) const { return ecrit_ && ecrit_->fichier == fd; }

    // The calls, each as the C library function does it: -1 and errno on failure
    // (GardesAppels.cpp).
    int ouvrir(const char* chemin, int drapeaux, mode_t mode);
    int etat(const char* chemin, struct stat64* etat, bool suivre);
    int acces(const char* chemin, int mode);
    int creerDossier(const char* chemin, mode_t mode);
    int changerMode(const char* chemin, mode_t mode);
    int changerProprietaire(const char* chemin, uid_t uid, gid_t gid);
    int changerDates(int base, const char* chemin, const struct timespec dates[2], int drapeaux);
    int lienDur(const char* existant, const char* nouveau);
    int lienSymbolique(const char* cible, const char* chemin);
    int retirer(const char* chemin);
    int renommer(const char* ancien, const char* nouveau);
    int fermer(int fd);

private:
    using Descripteur = dessous::Descripteur;
    // A folder beneath the chosen one, opened; shared with the last one kept (dossier()).
    using Dossier = std::shared_ptr<const Descripteur>;
    // A name beneath the chosen folder: its folder, opened, its last part, and what stands there.
    struct Place {
        Dossier dossier;
        std::string cheminDossier; // relative to the chosen folder, "" for itself
        std::string nom;           // never empty, "." or ".."
        struct stat etat {};       // st_mode 0: nothing is there
        int d() const { return dossier->get(); }
        const char* n() const { return nom.c_str(); }
        bool existe() const { return etat.st_mode != 0; }
    };
    // The file that the entry's own open made or rewrote: the library's own descriptor, whose
    // close waits for the entry's end, so that the library's later calls on the file by name
    // (times, mode) reach this file through it, whatever the name has become meanwhile.
    struct Ecrit {
        int fichier;
        bool ferme = false; // the library closed it: it is ours to close at the entry's end
        std::string chemin;
    };
    // A name that the library's last look found missing, in a folder already reached; good for
    // the next call only.
    struct Absent {
        Dossier dossier;
        std::string chemin;
    };
    enum class Accord { Oui, Non };

    bool volume(const char* chemin) const;
    int ouvrirVolume(const char* chemin, int drapeaux);
    // Where an extraction may make or change `chemin`: nothing, with errno, elsewhere; a name of
    // the chosen folder or above, a link or a way out on the way, make the entry "Ignoré".
    // `exclusif`: the caller makes the name only where nothing stands (the kernel refuses it
    // otherwise), or removes nothing when nothing stands there: a name that the library's call
    // just before found missing is taken as missing, since what appears meanwhile makes the
    // creation fail.
    std::optional<Place> place(const char* chemin, bool exclusif = false);
    // The folder `chemin`, relative to the chosen one, reached without any link; the last one is
    // kept, as the library's calls come folder by folder. Nothing, with errno, when it cannot.
    Dossier dossier(const std::string& chemin);
    void oublierDossiers() { dernier_.reset(); } // a folder was removed or renamed
    // The descriptor of the file the entry is writing, when `chemin` names it; -1 otherwise.
    int ecrit(const char* chemin) const;
    // Forgets the file written, closing the descriptor that the library gave back.
    void lacherEcrit();
    // A file or folder of the pass, opened to change it through its descriptor.
    static Descripteur ouvrirFait(const Place& p);
    int refuser(int erreur, std::optional<Resultat> verdict = std::nullopt);
    bool faitParLaPasse(const struct stat& s) const;
    void noterFait(int dossier, const std::string& nom);
    // The file the entry's own open made (`cree`) or rewrote, when `fd` is valid.
    void noterEcrit(int fd, const char* chemin, bool cree);
    // The user's file or link at `chemin` may be replaced: asked once per entry.
    Accord accord(const char* chemin);
    bool cibleSure(const std::string& dossier, const std::string& cible) const;

    RetourMoteur& retour_;
    const bool extraction_;
    const std::vector<std::string> volumes_;
    std::vector<std::string> ouverts_;
    Descripteur destination_; // the chosen folder, opened
    std::optional<Reserve> reserve_;

    enum class PourTous { Demander, Remplacer, Garder };
    PourTous pourTous_ = PourTous::Demander;
    std::unordered_set<std::uint64_t> faits_; // what this pass made, by device and inode

    // The entry in work.
    Genre genre_ = Genre::Fichier;
    std::optional<Accord> accordEntree_;
    std::optional<Resultat> verdict_;
    bool fait_ = false;   // its file, folder or link is there
    bool sortie_ = false; // a name it looked for led out through a link
    std::optional<Ecrit> ecrit_;
    std::optional<Absent> absent_;
    std::string cheminDernier_;
    Dossier dernier_;
};
