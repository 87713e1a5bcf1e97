#pragma once

// What screen readers read of the progress bar: its value as the bar shows it ("42 % · 3 min
// restantes"), where Qt's own reading gives the bare number of thousandths behind it.

namespace lecteurs {

// Installs, once for the program, the reading of every progress bar named "progression".
void installerAvancement();

} // namespace lecteurs
