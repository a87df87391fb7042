#include "positioningimport.h"

#include "importdatafromtextwizard.h"
#include "importpositioningsegywidardpage.h"
#include "positioning.h"
#include "segy.h"

#include <QFile>
#include <QMessageBox>
#include <memory>

namespace {

// What the import did, for the box shown once it is over.
void showSummary(const PositionImport& import, int kept, const QString& textFile, QWidget* parent)
{
    QStringList text;
    bool warn = true;
    if (!import.error().isEmpty()) {
        text << QObject::tr("No trace was changed.") << import.error();
    } else if (kept == 0) {
        text << QObject::tr("The file %1 holds no line to import.").arg(textFile);
    } else {
        text << QObject::tr("%1 trace(s) received positions.").arg(import.writtenLines());
        if (import.unchangedLines() > 0) {
            text << QObject::tr("%1 trace(s) were left unchanged because their lines could not be stored.")
                        .arg(import.unchangedLines());
            text << (import.unchangedLines() == 1 ? import.firstUnchangedReason()
                                                  : QObject::tr("The first: %1").arg(import.firstUnchangedReason()));
        }
        if (import.linesBeyond() > 0)
            text << QObject::tr("%1 line(s) lay beyond the last trace and were not imported.").arg(import.linesBeyond());
        warn = import.unchangedLines() > 0 || import.writtenLines() == 0;
    }
    if (warn)
        QMessageBox::warning(parent, QObject::tr("Warning"), text.join(QLatin1Char('\n')), QMessageBox::Ok);
    else
        QMessageBox::information(parent, QObject::tr("Info"), text.join(QLatin1Char('\n')), QMessageBox::Ok);
}

}  // namespace

ImportDataFromTextWizard* createPositioningImportWizard(QFile* file, QString fileName, QWidget* parent)
{
    auto* wizard = new ImportDataFromTextWizard(file, fileName, parent);
    auto* page = new ImportPositioningSEGYWidardPage;
    wizard->addPage(page);
    wizard->setMinimumSize(page->minimumSize());
    return wizard;
}

PositioningImportOutcome runPositioningImport(SEGY* segy, const QString& textFile, QWidget* parent)
{
    PositioningImportOutcome outcome;
    std::unique_ptr<ImportDataFromTextWizard> wizard(
        createPositioningImportWizard(new QFile(textFile), textFile, parent));
    // The pass runs below, after the wizard's own event loop has ended: no
    // events are processed between reading the lines and storing them.
    wizard->setParseWhenAccepted(false);
    if (wizard->exec() != QDialog::Accepted)
        return outcome;
    outcome.accepted = true;
    // The page hands over the mapping when the user finishes.
    outcome.mapping = wizard->mapping();
    if (outcome.mapping.isEmpty())
        return outcome;

    PositionImport import(segy, outcome.mapping);
    int kept = 0;
    if (import.error().isEmpty()) {
        QObject::connect(wizard.get(), &ImportDataFromTextWizard::dataParsed,
                         [&](int lineIndex, const QStringList& fields) {
                             ++kept;
                             import.addLine(lineIndex, fields, wizard->currentLineNumber());
                         });
        wizard->splitData();
        import.finish();
    }
    // Lines whose values were already there change nothing.
    outcome.changed = import.changedTraces() > 0;
    // The report is the error when there is one.
    outcome.message = kept == 0 && import.error().isEmpty()
                          ? QObject::tr("The file %1 holds no line to import.").arg(textFile)
                          : import.report();
    showSummary(import, kept, textFile, parent);
    return outcome;
}
