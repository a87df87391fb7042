#pragma once

#include <QMap>
#include <QString>

class ImportDataFromTextWizard;
class QFile;
class QWidget;
class SEGY;

// The text import wizard on file (owned by the wizard, not opened here) with
// the positioning page appended; its minimum size is the page's.
ImportDataFromTextWizard* createPositioningImportWizard(QFile* file, QString fileName, QWidget* parent);

// What a positioning import started from the window did.
struct PositioningImportOutcome {
    bool accepted = false;       // the wizard was finished, not cancelled
    bool changed = false;        // some trace changed: the file counts as modified
    QString message;             // for the error log; empty when every line was written
    QMap<QString, int> mapping;  // the page's choice (the window keeps it)
};

// The window's positioning import once the user has chosen textFile: runs the
// wizard modally over parent, then, once it has closed, reads the file and
// stores its positions into the trace headers of segy in one step (in
// memory; saving is the window's business). The file object announces the
// edit through editStarted, editProgress and editCompleted. Once stored, a
// message box over parent says how many traces received positions, how many
// were left unchanged and why.
PositioningImportOutcome runPositioningImport(SEGY* segy, const QString& textFile, QWidget* parent);
