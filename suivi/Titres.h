#pragma once

// The window's titles that both its commands and its side of a pass use.

#include <QString>

inline const QString TitreFenetre = QStringLiteral("Korvane v 1.0");
inline const QString TitreMotDePasse = QStringLiteral("Mot de passe");
