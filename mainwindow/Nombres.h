#pragma once

// Numbers as the window writes them, the French way.

#include <QString>
#include <QtGlobal>

// `n` with its digits grouped by three, a narrow no-break space between the groups (U+202F, as
// French typography and the locale's data write them): "100 101".
QString nombre(qint64 n);
