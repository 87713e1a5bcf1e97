#pragma once

// What screen readers read of the progress bars: their value as the bar shows it ("42 %", "1 234
// sur 100 101 · 2 min restantes"), where Qt's own reading gives the bare number of thousandths
// behind it.

namespace lecteurs {

// Installs, once for the program, the reading of every progress bar whose name begins with
// "progression".
void installerAvancement();

} // namespace lecteurs
