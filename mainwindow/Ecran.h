#pragma once

// The main window against its screen. Laid out in twips, it is taller than a small screen at a
// large scale factor (QT_SCALE_FACTOR=2 on 1280 × 800 leaves 640 × 400), and at its first width
// its status bar cuts the archive's name and the count of its entries.

class QMainWindow;
class QWidget;

namespace ecran {

// Gives `fenetre` the size and place where it was left, when they still fit a screen; else, at
// first, a width at which the list's columns and the status bar read whole, centred. Always within
// the screen's available area, its frame included, `souple` (the list) giving up as much of its
// least size as the window needs for that; keeps it so when what the window holds grows, and
// keeps in the program's settings where the user leaves it.
void placer(QMainWindow* fenetre, QWidget* souple);

// Widens `fenetre`, never beyond the screen's available area, so that every panel of its status
// bar shows its whole text; it never narrows it.
void montrerBarreEntiere(QMainWindow* fenetre);

} // namespace ecran
