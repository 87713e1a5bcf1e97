// korvane-passe: runs one pass of the library over one archive for the window that started it,
// and nothing else. The window speaks to it through descriptors 3 and 4 (Protocole.h).

#include "Confinement.h"
#include "Environnement.h"
#include "Gardes.h"
#include "Lectures.h"
#include "Limites.h"
#include "ModuleRAR.h"
#include "Protocole.h"
#include "RetourFlux.h"
#include "TraiterArchive.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

using protocole::Type;

namespace {

// More than any archive splits into; a Demande that says more is not believed.
constexpr std::uint32_t MaxVolumes = 100000;
constexpr std::uint32_t MaxEntrees = 1U << 26;

} // namespace

int main() {
    limites::appliquer();
    environnement::localeUtf8();
    environnement::fuseauLuUneFois();

    // The library is loaded before the pass is asked for: a helper started ahead of its pass has
    // it ready, and says at once whether it could.
    const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
    {
        RetourFlux accueil(protocole::DescripteurDemandes, protocole::DescripteurRetour,
                           protocole::ModeSonde);
        if (!unrar.api) {
            accueil.echec(unrar.erreur);
        }
        accueil.bonjour(unrar.api->RARGetDllVersion());
    }

    std::string recu;
    const std::optional<protocole::Trame> demande =
        protocole::attendre(protocole::DescripteurDemandes, recu);
    if (!demande || demande->type != Type::Demande) {
        return protocole::StatutAutreVersion;
    }
    protocole::Lecture l(demande->charge);
    const std::uint32_t version = l.u32();
    const int mode = l.u8();
    const std::uint32_t options = l.u32();
    const std::string archive(l.octets());
    std::vector<std::string> volumes(std::min<std::uint32_t>(l.u32(), MaxVolumes));
    for (std::string& v : volumes) {
        v = l.octets();
    }
    std::string motDePasse(l.texte());
    Selection selection(std::min<std::uint32_t>(l.u32(), MaxEntrees));
    for (std::uint32_t& place : selection) {
        place = l.u32();
    }
    std::sort(selection.begin(), selection.end());
    if (!l.complete() || version != protocole::Version) {
        return protocole::StatutAutreVersion;
    }

    RetourFlux retour(protocole::DescripteurDemandes, protocole::DescripteurRetour, mode);
    // From here on, the library is the only code that reads the archive: it is fenced in first.
    std::uint8_t protections = 0;
    const int abi = confinement::abiLandlock(int(options >> protocole::DecalageAbi) & 0xFF);
    if ((options & protocole::SansLandlock) == 0 &&
        confinement::restreindre(volumes, mode == ModeExtraction, abi)) {
        protections |= protocole::ProtectionLandlock;
    }
    if ((options & protocole::SansFiltre) == 0 &&
        confinement::filtrerAppels((options & protocole::HorsBac) != 0)) {
        protections |= protocole::ProtectionFiltre;
    }
    retour.protections(protections, (options & protocole::SansLandlock) == 0 ? abi : 0);
    if (mode != protocole::ModeSonde) {
        static Lectures lectures;
        if ((options & protocole::LecturesDirectes) == 0) {
            Lectures::mettreEnService(&lectures);
        }
        std::optional<Gardes> gardes;
        if ((options & protocole::SansGardes) == 0) {
            gardes.emplace(retour, mode, std::move(volumes));
        }
        TraiterArchive(*unrar.api, retour, mode, archive, motDePasse, gardes ? &*gardes : nullptr,
                       selection);
    }
    std::fill(motDePasse.begin(), motDePasse.end(), '\0');
    retour.fin();
}
