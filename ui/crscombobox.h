#pragma once

#include "crsdefinition.h"

#include <QList>

class QComboBox;

// Fills box with one entry per definition, in list order: "name (code)" with
// the code as user data and "EPSG: code\n<definition>" as tool tip; typing
// any part of an entry's text pops up the matching entries.
void populateCrsComboBox(QComboBox* box, const QList<CrsDefinition>& definitions);
// The same with a catalogue look-up; when the catalogue could not be read,
// the box says why in its tool tip and, when editable, its placeholder text.
void populateCrsComboBoxFromCatalogue(QComboBox* box, const CrsLookup& lookup);

// The code of the catalogue entry the box shows, 0 for none. Text typed over
// an entry no longer stands for that entry: only an entry with exactly that
// text gives a code.
int shownCrsCode(const QComboBox* box);
