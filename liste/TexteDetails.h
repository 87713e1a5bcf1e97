#pragma once

// An entry's details in the words of the list's tooltip and of Propriétés.

#include "DetailsEntree.h"

#include <QList>
#include <QPair>
#include <QString>

#include <optional>

QString ouiNon(bool oui);

// A size in the units of the window's other texts, then exactly: "1,2 ko (1 234 octets)".
QString texteOctets(qint64 n);

// `compressee` as a share of `taille`, "23,4 %": 100 % stores, more grows. Empty for an empty
// entry, which has no share.
QString texteTaux(qint64 compressee, qint64 taille);

// The attributes as the system the entry was made on reads them: "drwxr-xr-x" for Unix,
// letters among "AHRSD" for Windows and DOS.
QString texteAttributs(quint32 attributs, quint8 systeme, bool dossier);

// An entry's lines, each a label and its value: its name and size, then what the header said of
// it when the row has `details`; a folder has no size.
QList<QPair<QString, QString>> lignesEntree(const QString& nom, qint64 taille, bool dossier,
                                            const std::optional<DetailsEntree>& details);
