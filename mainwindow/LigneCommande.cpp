#include "LigneCommande.h"

namespace {

// The same rules for text and for the system's bytes: they look at a few ASCII characters only.
template <typename Texte>
Texte cheminDepuis(const Texte& texte, const Texte& dossierCourant, StyleChemin style) {
    const bool windows = style == StyleChemin::Windows;
    const auto est = [&texte](qsizetype position, char c) {
        return position <= texte.size() && texte.at(position - 1) == c;
    };
    const Texte separateur = windows ? Texte("\\") : Texte("/");

    bool absolu = false;
    Texte chemin;
    // A rooted path as typed: "C:\..." on Windows, "/..." on Linux.
    if (windows ? est(2, ':') : est(1, '/')) {
        absolu = true;
        chemin = texte;
    }
    // The same between quotes; on Windows the two characters removed are not examined. On Linux a
    // relative name such as "./a.rar" or "d/a.rar" also has "/" second, so there the quote itself
    // must be there. Checked second, so it wins when both match.
    const bool entreGuillemets = windows ? est(3, ':') : est(2, '/') && est(1, '"');
    if (entreGuillemets) {
        absolu = true;
        chemin = texte.mid(1, texte.size() - 2);
    }
    if (!absolu) {
        chemin = dossierCourant + separateur + texte;
    }
    return chemin;
}

} // namespace

StyleChemin styleCheminNatif() {
#ifdef Q_OS_WIN
    return StyleChemin::Windows;
#else
    return StyleChemin::Posix;
#endif
}

QByteArray texteArguments(int argc, const char* const* argv) {
    QByteArray texte;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            texte += ' ';
        }
        texte += argv[i];
    }
    return texte;
}

Demande demandeDepuisArguments(int argc, const char* const* argv) {
    if (argc >= 2 && qstrcmp(argv[1], "--extraire-ici") == 0) {
        return {true, texteArguments(argc - 1, argv + 1)};
    }
    return {false, texteArguments(argc, argv)};
}

QString cheminArchiveDepuisArguments(const QString& texte, const QString& dossierCourant,
                                     StyleChemin style) {
    return cheminDepuis(texte, dossierCourant, style);
}

QByteArray cheminArchiveDepuisArguments(const QByteArray& texte, const QByteArray& dossierCourant,
                                        StyleChemin style) {
    return cheminDepuis(texte, dossierCourant, style);
}
