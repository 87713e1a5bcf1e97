#pragma once

// Text from an archive as the window shows it: names that cannot hide or reorder what they say.

#include <QString>

// `nom` with every character that would hide, cut or reorder it written out as \uXXXX: control
// characters (C0, DEL, C1), line and paragraph separators, and bidirectional controls. Without
// them, "facture\u202Etxt.exe" would read "factureexe.txt" and "ligne1\nligne2.txt" "ligne1".
// An ordinary name comes back as it is, without a copy.
QString nomVisible(const QString& nom);
