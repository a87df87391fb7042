#pragma once

#include "crsdefinition.h"

#include <QList>

class QComboBox;

// Fills box with one entry per definition, in list order: "name (code)" with
// the code as user data and "EPSG: code\n<definition>" as tool tip; typing
// any part of an entry's text pops up the matching entries.
void populateCrsComboBox(QComboBox* box, const QList<CrsDefinition>& definitions);
