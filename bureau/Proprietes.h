#pragma once

// Fichier › Propriétés: the box that shows what the window knows of the open archive, and of the
// entry chosen in its list.

#include "InfosArchive.h"

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// The box's lines, each a label and its value, in French.
QList<QPair<QString, QString>> lignesProprietes(const InfosArchive& infos);

// Shows the box over `parent`, modal to it but not waiting: the window goes on living behind it.
// `entree`: the lines of the one entry chosen in the list, in a section of their own.
void montrerProprietes(QWidget* parent, const InfosArchive& infos,
                       const QList<QPair<QString, QString>>& entree = {});
