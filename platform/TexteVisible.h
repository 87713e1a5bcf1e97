#pragma once

// Text from an archive or from the disk as the windows show it: names that cannot hide or reorder
// what they say, and tooltips that are never read as markup.

#include <QString>

class QFont;

// `nom` with every character that would hide, cut or reorder it written out as \uXXXX: control
// characters (C0, DEL, C1), line and paragraph separators, and bidirectional controls. Without
// them, "facture\u202Etxt.exe" would read "factureexe.txt" and "ligne1\nligne2.txt" "ligne1".
// An ordinary name comes back as it is, without a copy.
QString nomVisible(const QString& nom);

// A tooltip that shows `texte` exactly as it is, on one line: a tooltip takes a text that looks
// like markup (a name holding "<b>") for markup.
QString bulleLitterale(const QString& texte);

// The whole pixels that `texte` takes in `police`. Rounded up: a text that lacks a fraction of a
// pixel is cut with "…" all the same.
int largeurTexte(const QFont& police, const QString& texte);
