#pragma once

// Room for an extraction: what it needs against what its destination's file system has left.

#include <QString>
#include <QtGlobal>

#include <optional>

// The question to ask before extracting `besoin` bytes into the folder `dossier`, where `libre`
// bytes are left; nothing when they fit. `auMoins`: `besoin` is only what the entries need at
// least, when no listing told their sizes.
std::optional<QString> questionEspace(qint64 besoin, bool auMoins, qint64 libre,
                                      const QString& dossier);
