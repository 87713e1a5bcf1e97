#pragma once

// Numbers and sizes as the window writes them, the French way.

#include <QString>
#include <QtGlobal>

// `n` with its digits grouped by three, a narrow no-break space between the groups (U+202F, as
// French typography and the locale's data write them): "100 101".
QString nombre(qint64 n);

// `octets` in decimal units (o, ko, Mo, Go, To), with one decimal after a comma above the byte:
// "3,2 Go", "950,4 Mo", "512 o". Rounded up with `parExces`, else down: a size needed is never
// shown smaller than it is, nor a size free larger.
QString tailleDecimale(qint64 octets, bool parExces);
