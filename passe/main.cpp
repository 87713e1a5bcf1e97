// korvane-passe: runs one pass of the library over one archive for the window that started it,
// and nothing else. The window speaks to it through descriptors 3 and 4 (Protocole.h).

#include "Confinement.h"
#include "Environnement.h"
#include "Limites.h"
#include "ModuleRAR.h"
#include "Protocole.h"
#include "RetourFlux.h"
#include "TraiterArchive.h"

#include <QByteArray>

#include <unistd.h>

using protocole::Type;

int main() {
    limites::appliquer();
    environnement::localeUtf8();
    environnement::fuseauLuUneFois();

    QByteArray recu;
    const std::optional<protocole::Trame> demande =
        protocole::attendre(protocole::DescripteurDemandes, recu);
    if (!demande || demande->type != Type::Demande) {
        return protocole::StatutAutreVersion;
    }
    protocole::Lecture l(demande->charge);
    const quint32 version = l.u32();
    const int mode = l.u8();
    const quint32 options = l.u32();
    const QByteArray archive = l.octets().toByteArray();
    QString motDePasse = l.texte();
    if (!l.complete() || version != protocole::Version) {
        return protocole::StatutAutreVersion;
    }

    RetourFlux retour(protocole::DescripteurDemandes, protocole::DescripteurRetour, mode);
    const ModuleRAR::Chargement unrar = ModuleRAR::chargerUnrar();
    if (!unrar.api) {
        retour.echec(unrar.erreur);
    }
    // From here on, the library is the only code that reads the archive: it is fenced in first.
    quint8 protections = 0;
    if ((options & protocole::SansLandlock) == 0 &&
        confinement::restreindreEcritures(mode == ModeExtraction)) {
        protections |= protocole::ProtectionLandlock;
    }
    if ((options & protocole::SansFiltre) == 0 && confinement::filtrerAppels()) {
        protections |= protocole::ProtectionFiltre;
    }
    retour.bonjour(unrar.api->RARGetDllVersion(), protections);
    if (mode != protocole::ModeSonde) {
        TraiterArchive(*unrar.api, retour, mode, archive, motDePasse,
                       (options & protocole::SansGardes) == 0);
    }
    motDePasse.fill(QChar());
    retour.fin();
}
