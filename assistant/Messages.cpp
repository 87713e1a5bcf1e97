#include "Messages.h"

#include "CodesRAR.h"
#include "Nombres.h"

#include <QStringList>

namespace Messages {

namespace {

// Wrong or missing passwords make the library end the archive early; left quiet, the user would
// see an archive with fewer entries, or none, and no word of why.
std::optional<QString> erreurMotDePasse(int code) {
    switch (code) {
    case ERAR_MISSING_PASSWORD:
        return QStringLiteral("Mot de passe nécessaire pour cette archive");
    case ERAR_BAD_PASSWORD:
        return QStringLiteral("Mot de passe incorrect");
    default:
        return std::nullopt;
    }
}

QString bibliothequeIntrouvable(const QString& fichier, const QString& raison) {
    return QStringLiteral("La bibliothèque UnRAR (%1) est introuvable : Korvane ne peut lire "
                          "aucune archive sans elle.\n\nSous Debian, installez le paquet libunrar5 "
                          "(composant non-free) :\n    sudo apt install libunrar5\n\n(%2)")
        .arg(fichier, raison);
}

QString pointDEntreeManquant(const QString& fichier, const QString& nom) {
    return QStringLiteral(
               "La bibliothèque UnRAR (%1) ne fournit pas la fonction %2 : elle est trop "
               "ancienne ou ce n'est pas la bonne.\n\nSous Debian, installez le paquet "
               "libunrar5 (composant non-free) :\n    sudo apt install libunrar5")
        .arg(fichier, nom);
}

} // namespace

QString erreurOuverture(int code, const QString& chemin) {
    switch (code) {
    case ERAR_NO_MEMORY:
        return QStringLiteral("Pas assez de mémoire");
    case ERAR_BAD_DATA:
        return chemin + QStringLiteral(": Archive invalide");
    case ERAR_BAD_ARCHIVE:
        return chemin + QStringLiteral("Ce n'est pas un fichier archive RAR");
    case ERAR_UNKNOWN_FORMAT:
        return QStringLiteral("Format d'archive inconnu");
    case ERAR_EOPEN:
        return QStringLiteral("Ne peut ouvrir le fichier ") + chemin;
    default:
        return QStringLiteral("Erreur à l'ouverture de l'archive (code %1) : ").arg(code) + chemin;
    }
}

std::optional<QString> erreurFichier(int code) {
    switch (code) {
    case ERAR_BAD_DATA:
        return QStringLiteral("CRC Erreur");
    case ERAR_BAD_ARCHIVE:
        return QStringLiteral("Erreur ou mauvais volume");
    case ERAR_UNKNOWN_FORMAT:
        return QStringLiteral("Format d'archive inconnu");
    case ERAR_EOPEN:
        return QStringLiteral("Erreur dans l'ouverture du volume");
    case ERAR_ECREATE:
        return QStringLiteral("Ereur dans la création du fichier");
    case ERAR_ECLOSE:
        return QStringLiteral("Erreur dans la fermeture du fichier");
    case ERAR_EREAD:
        return QStringLiteral("Erreur en lecture");
    case ERAR_EWRITE:
        return QStringLiteral("Erreur en écriture");
    default:
        return erreurMotDePasse(code);
    }
}

QString texteResultat(Resultat r, int code) {
    switch (r) {
    case Resultat::OK:
        return QStringLiteral("OK");
    case Resultat::Ignore:
        return QStringLiteral("Ignoré");
    case Resultat::LienRefuse:
        return QStringLiteral("Lien refusé");
    case Resultat::Interrompu:
        return QStringLiteral("Interrompu");
    case Resultat::Code:
        break;
    }
    switch (code) {
    case ERAR_NO_MEMORY:
        return QStringLiteral("Pas assez de mémoire");
    case ERAR_EREFERENCE:
        return QStringLiteral("Fichier d'origine introuvable");
    default:
        return QStringLiteral("Erreur (code %1)").arg(code);
    }
}

std::optional<QString> erreurEnTete(int code) {
    switch (code) {
    case ERAR_BAD_DATA:
        return QStringLiteral("File header broken");
    case ERAR_EOPEN:
        // A volume missing from a set: the archive does not end there, whatever the mode.
        return erreurFichier(code);
    default:
        return erreurMotDePasse(code);
    }
}

std::optional<Manque> manque(const Echec& echec) {
    const QStringList tailles = echec.detail.split(QLatin1Char('\n'));
    bool besoinLu = false;
    bool resteLu = false;
    const Manque m{tailles.value(0).toLongLong(&besoinLu), tailles.value(1).toLongLong(&resteLu)};
    if (echec.genre != Echec::Genre::Place || tailles.size() != 2 || !besoinLu || !resteLu ||
        m.besoin < 0 || m.reste < 0) {
        return std::nullopt;
    }
    return m;
}

QString texte(const Echec& echec, const QString& chemin, const QString& dossier) {
    switch (echec.genre) {
    case Echec::Genre::Ouverture:
        return erreurOuverture(echec.code, chemin);
    case Echec::Genre::Fichier:
        return erreurFichier(echec.code).value_or(QString());
    case Echec::Genre::EnTete:
        return erreurEnTete(echec.code).value_or(QString());
    case Echec::Genre::Incomplete:
        return ArchiveIncomplete;
    case Echec::Genre::Place: {
        const Manque m = manque(echec).value_or(Manque{0, 0});
        // The need rounded up and the room down, as the question before the pass has them.
        return QStringLiteral("Place insuffisante sur « %1 » : il faut %2, il reste %3.")
            .arg(dossier, tailleDecimale(m.besoin, true), tailleDecimale(m.reste, false));
    }
    case Echec::Genre::Bibliotheque: {
        const QString fichier = echec.detail.section(QLatin1Char('\n'), 0, 0);
        const QString reste = echec.detail.section(QLatin1Char('\n'), 1);
        return echec.code == 0 ? bibliothequeIntrouvable(fichier, reste)
                               : pointDEntreeManquant(fichier, reste);
    }
    case Echec::Genre::Installation:
        return echec.detail;
    case Echec::Genre::Signal:
        return QStringLiteral("La bibliothèque UnRAR s'est arrêtée sur cette archive (signal %1)")
            .arg(echec.code);
    case Echec::Genre::Sortie:
        return QStringLiteral("La bibliothèque UnRAR s'est arrêtée sur cette archive (code %1)")
            .arg(echec.code);
    }
    return QString();
}

QString assistantIntrouvable(const QString& programme, const QString& raison) {
    return QStringLiteral("Le programme %1, qui lit les archives pour Korvane, ne peut pas être "
                          "lancé : Korvane ne peut lire aucune archive sans lui.\n\nRéinstallez "
                          "Korvane.\n\n(%2)")
        .arg(programme, raison);
}

} // namespace Messages
