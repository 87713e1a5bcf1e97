#pragma once

// The files of a set of volumes, found beside an archive by their names, as the library names the
// next volume of a set: "nom.partN.rar" (any number of digits), or "nom.rar" followed by
// "nom.r00", "nom.r01", ... "nom.s00" and on. They are the only files of the user's that a pass
// may read.

#include <QByteArray>

#include <vector>

namespace volumes {

// `archive`, an absolute path, first, then every other file of its folder that the library could
// take for a volume of the same set, in the order of their names.
std::vector<QByteArray> duJeu(const QByteArray& archive);

// The first volume of the set that `archive` is a later volume of, named as rar names it
// ("x.part01.rar" for "x.part03.rar", "x.rar" for "x.r01" or "x.s02"), when it is there as a
// file: the library reads a set from its first volume only. Else `archive` itself.
QByteArray premierVolume(const QByteArray& archive);

} // namespace volumes
