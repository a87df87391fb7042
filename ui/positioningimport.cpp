#include "positioningimport.h"

#include "importdatafromtextwizard.h"
#include "importpositioningsegywidardpage.h"
#include "positioning.h"
#include "segy.h"

#include <QEventLoop>
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
    std::unique_ptr<PositionImport> import;
    int kept = 0;
    bool completed = false;
    QEventLoop waiting;

    // The page hands over the mapping before the wizard reads any line.
    QObject::connect(wizard.get(), &ImportDataFromTextWizard::mappingUpdated,
                     [&](const QMap<QString, int>& mapping) {
                         outcome.mapping = mapping;
                         import.reset();
                         import.reset(new PositionImport(segy, mapping));
                     });
    QObject::connect(wizard.get(), &ImportDataFromTextWizard::dataParsed,
                     [&](int lineIndex, const QStringList& fields) {
                         ++kept;
                         if (import)
                             import->addLine(lineIndex, fields, wizard->currentLineNumber());
                     });
    QObject::connect(wizard.get(), &ImportDataFromTextWizard::parsingProgress, segy, &SEGY::editProgress);
    QObject::connect(wizard.get(), &ImportDataFromTextWizard::parsingCompleted, [&]() {
        completed = true;
        waiting.quit();
    });

    outcome.accepted = wizard->exec() == QDialog::Accepted;
    if (outcome.accepted && !completed)
        waiting.exec();
    if (!import)
        return outcome;
    import->finish();
    outcome.changed = import->writtenLines() > 0;
    if (!import->error().isEmpty())
        outcome.message = import->error();
    else if (kept == 0)
        outcome.message = QObject::tr("The file %1 holds no line to import.").arg(textFile);
    else
        outcome.message = import->report();
    return outcome;
}
