#pragma once

// Fichier › Propriétés: the box that shows what the window knows of the open archive.

#include "InfosArchive.h"

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

// The box's lines, each a label and its value, in French.
QList<QPair<QString, QString>> lignesProprietes(const InfosArchive& infos);

// Shows the box over `parent`, modal to it but not waiting: the window goes on living behind it.
void montrerProprietes(QWidget* parent, const InfosArchive& infos);
