#pragma once

// What a pass writes and shows, as the engine tells it. In the helper process that runs the
// library it goes down a pipe (RetourFlux), and the window replays it into its RetourPasse; the
// benchmark's bare driver and the engine's tests have their own. Texts are UTF-8; names of files
// are the library's bytes. Rows are added at the top: the row just added is the one that
// `resultat` writes to.

#include "DetailsEntree.h"
#include "Vocabulaire.h"

#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

class RetourMoteur {
public:
    virtual ~RetourMoteur() = default;

    // Modal: returns once it was read. `tronque`: the archive's comment goes on beyond it.
    virtual void commentaire(std::string_view texte, bool tronque) = 0;
    virtual void montrerFenetre() = 0;
    virtual void enTeteResultat(std::string_view libelle) = 0;
    virtual void nouvelleLigne(std::string_view nom, std::int64_t taille) = 0;
    // `code`: the library's, with Resultat::Code.
    virtual void resultat(Resultat r, int code = 0) = 0;
    virtual void entreeTerminee() {}
    // Once the archive is open: the library's open flags (ROADF_*) and the format, from the
    // signature's version byte (4 for RAR 1.5 to 4, 5 for RAR 5, 0 when unknown).
    virtual void archive(std::uint32_t /*drapeaux*/, int /*format*/) {}
    // Of the entry whose row comes next: what its header says besides its name and size.
    virtual void detailsLigne(const DetailsEntree& /*details*/) {}
    // An entry that the pass leaves out, without a row (not among those chosen), of `taille`
    // bytes: in a solid archive the library decodes it all the same.
    virtual void entreeSautee(std::int64_t /*taille*/) {}
    // At the end of a pass read to its end: the number of volume files it read.
    virtual void volumesLus(int /*nombre*/) {}
    // Asked before an entry is extracted over an existing file, `nom` being its stored name as
    // the library spelled it. Keeping the user's file is the safe answer for a caller that cannot
    // ask.
    virtual Remplacement remplacer(std::string_view /*nom*/) { return Remplacement::Non; }
    // The library has just opened the entry's file at `chemin`, relative to the destination, for
    // writing: the file of this device and inode, which the pass made. What is left there is
    // partial until the entry's result comes.
    virtual void fichierEcrit(std::string_view /*chemin*/, std::uint64_t /*peripherique*/,
                              std::uint64_t /*inode*/) {}
    // The bytes of the current entry that the library has tested or written so far.
    virtual void progression(std::int64_t /*octets*/) {}
    // The library needs the archive's password (`incorrect`: the one given last was wrong): what
    // the user typed, or nothing when the user gave up. A caller that cannot ask gives up.
    virtual std::optional<std::string> motDePasse(bool /*incorrect*/) { return std::nullopt; }
    // The user gave up on the password: the pass stops there, with the rows so far, and no failure.
    virtual void abandon() {}
    // The window asked the pass to stop: it starts no entry, abandons the one in work and ends with
    // arrete(). Asked before each entry and while the library works on one: no system call.
    virtual bool arretDemande() const { return false; }
    // The pass stops there, the entry in work without a result. Asked only of a caller whose
    // arretDemande() said so.
    [[noreturn]] virtual void arrete() { std::abort(); }
    // The pass stops there.
    [[noreturn]] virtual void echec(const EchecPasse& echec) = 0;
};
