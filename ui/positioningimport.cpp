#include "positioningimport.h"

#include "importdatafromtextwizard.h"
#include "importpositioningsegywidardpage.h"
#include "positioning.h"
#include "segy.h"

#include <QFile>
#include <memory>

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
    outcome.changed = import.writtenLines() > 0;
    // The report is the error when there is one.
    outcome.message = kept == 0 && import.error().isEmpty()
                          ? QObject::tr("The file %1 holds no line to import.").arg(textFile)
                          : import.report();
    return outcome;
}
