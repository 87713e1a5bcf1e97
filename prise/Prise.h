#pragma once

// What the user takes from the list: the entries that chosen rows stand for, and rows as text.

#include <QString>

#include <vector>

class ListeResultats;

// The places in the archive of the rows at `rangs` (0 the top of `liste`), in increasing order,
// each once, as a pass takes them. A folder's row takes every row beneath it too: those whose name
// begins with the folder's and "/".
std::vector<quint32> placesChoisies(const ListeResultats& liste, const std::vector<int>& rangs);

// The rows at `rangs`, one a line ended by a line feed: the name as the list shows it, the size in
// plain digits and the result, between tabs, for a spreadsheet or a script to read. Tabs and line
// breaks in a name are written out, as the list shows them.
QString lignesEnTexte(const ListeResultats& liste, const std::vector<int>& rangs);
