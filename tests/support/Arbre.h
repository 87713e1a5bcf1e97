#pragma once

// A folder's tree as the tests compare it before and after a pass: every entry beneath it, by its
// bytes, with its type and mode, times, link count, and content or link target.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace arbre {

// A time that no pass and no archive of the tests gives: what dater() sets.
inline constexpr qint64 Ancienne = 1577836800; // 2020-01-01

// Every entry beneath `dossier`: "mode time links content-hash size" for a file, "mode time links
// -> target" for a link, "mode time links" for a folder; `mode` false keeps only the type and the
// content (and a file's link count).
QMap<QByteArray, QByteArray> lire(const QString& dossier, bool mode);

// Dates every entry beneath `dossier` (links themselves, not what they lead to) Ancienne, so that
// a change of time reads apart from the time the entries were made at.
void dater(const QString& dossier);

// Removes `dossier` and everything beneath it by the names' bytes, which QDir cannot do for a name
// that is not valid in the locale's encoding, and whatever the modes that a pass left.
void effacer(const QString& dossier);

// The modification time in a line of lire(..., true).
qint64 date(const QByteArray& ligne);

} // namespace arbre
