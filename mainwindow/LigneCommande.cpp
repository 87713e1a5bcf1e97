#include "LigneCommande.h"

StyleChemin styleCheminNatif() {
#ifdef Q_OS_WIN
    return StyleChemin::Windows;
#else
    return StyleChemin::Posix;
#endif
}

QString texteArguments(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' '));
}

QString cheminArchiveDepuisArguments(const QString& texte, const QString& dossierCourant,
                                     StyleChemin style) {
    const bool windows = style == StyleChemin::Windows;
    const QChar separateur = windows ? QLatin1Char('\\') : QLatin1Char('/');
    auto caractere = [&](qsizetype position) {
        return position <= texte.size() ? texte.at(position - 1) : QChar();
    };

    bool absolu = false;
    QString chemin;
    // A rooted path as typed: "C:\..." on Windows, "/..." on Linux.
    if (windows ? caractere(2) == QLatin1Char(':') : caractere(1) == QLatin1Char('/')) {
        absolu = true;
        chemin = texte;
    }
    // The same between quotes; on Windows the two characters removed are not examined. On Linux a
    // relative name such as "./a.rar" or "d/a.rar" also has "/" second, so there the quote itself
    // must be there. Checked second, so it wins when both match.
    const bool entreGuillemets =
        windows ? caractere(3) == QLatin1Char(':')
                : caractere(2) == QLatin1Char('/') && caractere(1) == QLatin1Char('"');
    if (entreGuillemets) {
        absolu = true;
        chemin = texte.mid(1, texte.size() - 2);
    }
    if (!absolu) {
        chemin = dossierCourant + separateur + texte;
    }
    return chemin;
}
