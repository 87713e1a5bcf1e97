#pragma once

// What the window knows of the open archive, gathered by its passes for Fichier › Propriétés: what
// the library said when it opened it, the volumes that the last pass read to its end went through,
// and, after a list pass, what its rows add up to.

#include <QString>
#include <QtGlobal>

struct InfosArchive {
    QString chemin;       // the archive that the library opened: the first volume of a set
    bool ouverte = false; // the library has opened it: the flags and the format are its
    quint32 drapeaux = 0; // ROADF_*
    int format = 0;       // 4 (RAR 1.5 to 4), 5, or 0 unknown
    int volumes = 0;      // volume files read by the last pass read to its end; 0 unknown

    bool liste = false; // a list pass went through the whole archive:
    qint64 fichiers = 0;
    qint64 dossiers = 0;
    qint64 taille = 0;     // unpacked, in bytes
    qint64 compressee = 0; // packed, in bytes
};
