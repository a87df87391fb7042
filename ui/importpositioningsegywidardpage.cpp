#include "importpositioningsegywidardpage.h"

#include "crscombobox.h"
#include "crsdefinition.h"
#include "importdatafromtextwizard.h"
#include "positioning.h"
#include "ui_importpositioningsegywidardpage.h"

#include <QComboBox>
#include <QGroupBox>
#include <QMap>
#include <QSpinBox>
#include <QTableWidget>

namespace {

// An activated catalogue entry: the box shows its definition as tool tip and
// the unit box follows the definition. False when the entry carries no code.
bool followCrsChoice(QComboBox* box, QComboBox* unitBox, int index)
{
    if (!box->itemData(index).isValid()) {
        box->setToolTip(ImportPositioningSEGYWidardPage::tr("Please select a valid CRS"));
        return false;
    }
    const QString tip = box->itemData(index, Qt::ToolTipRole).toString();
    box->setToolTip(tip);
    const int units = unitsCodeOfDefinition(tip);
    if (units > 0)
        unitBox->setCurrentIndex(units - 1);
    return true;
}

}  // namespace

ImportPositioningSEGYWidardPage::ImportPositioningSEGYWidardPage(QWidget* parent)
    : QWizardPage(parent), ui(new Ui::ImportPositioningSEGYWidardPage)
{
    ui->setupUi(this);
    inCrsValid = true;
    outCrsValid = true;
    const CrsLookup all = CrsCatalogue().byName(QString());
    populateCrsComboBoxFromCatalogue(ui->inEpsgComboBox, all);
    populateCrsComboBoxFromCatalogue(ui->outEpsgComboBox, all);

    // The preview follows every choice on the page.
    for (QCheckBox* box : {ui->srcCheckBox, ui->rcvCheckBox, ui->cdpCheckBox})
        connect(box, &QCheckBox::toggled, this, &ImportPositioningSEGYWidardPage::updatePreview);
    for (QSpinBox* box : {ui->srcXSpinBox, ui->srcYSpinBox, ui->rcvXSpinBox, ui->rcvYSpinBox, ui->cdpXSpinBox,
                          ui->cdpYSpinBox})
        connect(box, QOverload<int>::of(&QSpinBox::valueChanged), this, &ImportPositioningSEGYWidardPage::updatePreview);
    for (QGroupBox* box : {ui->writeAsisGroupBox, ui->applyTransformGroupBox})
        connect(box, &QGroupBox::toggled, this, &ImportPositioningSEGYWidardPage::updatePreview);
    for (QComboBox* box : {ui->asisUnitComboBox, ui->inUnitComboBox, ui->outUnitComboBox, ui->inEpsgComboBox,
                           ui->outEpsgComboBox})
        connect(box, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
                &ImportPositioningSEGYWidardPage::updatePreview);
    for (QComboBox* box : {ui->inEpsgComboBox, ui->outEpsgComboBox}) {
        connect(box, QOverload<int>::of(&QComboBox::activated), this, &ImportPositioningSEGYWidardPage::updatePreview);
        connect(box, &QComboBox::editTextChanged, this, &ImportPositioningSEGYWidardPage::updatePreview);
    }
}

ImportPositioningSEGYWidardPage::~ImportPositioningSEGYWidardPage()
{
    delete ui;
}

void ImportPositioningSEGYWidardPage::enableRow(QSpinBox* x, QSpinBox* y, bool checked)
{
    x->setEnabled(checked);
    y->setEnabled(checked);
    if (checked)
        updatePositionLabels();
}

void ImportPositioningSEGYWidardPage::on_srcCheckBox_toggled(bool checked)
{
    enableRow(ui->srcXSpinBox, ui->srcYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_rcvCheckBox_toggled(bool checked)
{
    enableRow(ui->rcvXSpinBox, ui->rcvYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_cdpCheckBox_toggled(bool checked)
{
    enableRow(ui->cdpXSpinBox, ui->cdpYSpinBox, checked);
}

void ImportPositioningSEGYWidardPage::on_applyTransformGroupBox_toggled(bool arg1)
{
    ui->writeAsisGroupBox->setChecked(!arg1);
}

void ImportPositioningSEGYWidardPage::on_writeAsisGroupBox_toggled(bool arg1)
{
    ui->applyTransformGroupBox->setChecked(!arg1);
}

void ImportPositioningSEGYWidardPage::on_inEpsgComboBox_activated(int index)
{
    inCrsValid = followCrsChoice(ui->inEpsgComboBox, ui->inUnitComboBox, index);
    updateInputCrsLabel();
    emit completeChanged();
}

void ImportPositioningSEGYWidardPage::on_outEpsgComboBox_activated(int index)
{
    outCrsValid = followCrsChoice(ui->outEpsgComboBox, ui->outUnitComboBox, index);
    updateOutputCrsLabel();
    emit completeChanged();
}

void ImportPositioningSEGYWidardPage::on_inEpsgComboBox_editTextChanged(QString arg1)
{
    if (arg1.isEmpty())
        inCrsValid = false;
    updateInputCrsLabel();
}

void ImportPositioningSEGYWidardPage::on_outEpsgComboBox_editTextChanged(QString arg1)
{
    if (arg1.isEmpty())
        outCrsValid = false;
    updateOutputCrsLabel();
}

void ImportPositioningSEGYWidardPage::updatePositionLabels()
{
    const bool any = ui->srcCheckBox->isChecked() || ui->rcvCheckBox->isChecked() || ui->cdpCheckBox->isChecked();
    const QString red = QStringLiteral("<font color=\"#FF0000\">%1 (!)</font>");
    ui->srcCheckLabel->setText(any ? tr("SRC POS") : red.arg(QStringLiteral("SRC POS")));
    ui->rcvCheckLabel->setText(any ? tr("RCV POS") : red.arg(QStringLiteral("RCV POS")));
    ui->cdpCheckLabel->setText(any ? tr("CDP POS") : red.arg(QStringLiteral("CDP POS")));
}

void ImportPositioningSEGYWidardPage::updateInputCrsLabel()
{
    ui->inCRSLabel->setText(inCrsValid ? tr("Input CRS:") : tr("<font color=\"#FF0000\">(!) Input CRS:</font>"));
}

void ImportPositioningSEGYWidardPage::updateOutputCrsLabel()
{
    ui->outCRSLabel->setText(outCrsValid ? tr("Output CRS:") : tr("<font color=\"#FF0000\">(!) Output CRS:</font>"));
}

QMap<QString, int> ImportPositioningSEGYWidardPage::currentMapping() const
{
    QMap<QString, int> mapping;
    const struct {
        QCheckBox* box;
        QSpinBox* x;
        QSpinBox* y;
        const char* xKey;
        const char* yKey;
    } rows[] = {{ui->srcCheckBox, ui->srcXSpinBox, ui->srcYSpinBox, "SRC_X", "SRC_Y"},
                {ui->rcvCheckBox, ui->rcvXSpinBox, ui->rcvYSpinBox, "RCV_X", "RCV_Y"},
                {ui->cdpCheckBox, ui->cdpXSpinBox, ui->cdpYSpinBox, "CDP_X", "CDP_Y"}};
    for (const auto& row : rows) {
        if (!row.box->isChecked())
            continue;
        mapping.insert(QLatin1String(row.xKey), row.x->value() - 1);
        mapping.insert(QLatin1String(row.yKey), row.y->value() - 1);
    }
    if (ui->writeAsisGroupBox->isChecked()) {
        mapping.insert(QStringLiteral("AS_IS_UNIT"), ui->asisUnitComboBox->currentIndex() + 1);
    } else if (ui->applyTransformGroupBox->isChecked()) {
        mapping.insert(QStringLiteral("IN_EPSG"), shownCrsCode(ui->inEpsgComboBox));
        mapping.insert(QStringLiteral("OUT_EPSG"), shownCrsCode(ui->outEpsgComboBox));
        mapping.insert(QStringLiteral("IN_UNIT"), ui->inUnitComboBox->currentIndex() + 1);
        mapping.insert(QStringLiteral("OUT_UNIT"), ui->outUnitComboBox->currentIndex() + 1);
    }
    return mapping;
}

void ImportPositioningSEGYWidardPage::initializePage()
{
    // The earlier pages may have changed the delimiters or the filters.
    updatePreview();
}

bool ImportPositioningSEGYWidardPage::isComplete() const
{
    return QWizardPage::isComplete() && m_refusal.isEmpty();
}

void ImportPositioningSEGYWidardPage::updatePreview()
{
    QTableWidget* table = ui->previewTableWidget;
    table->clear();
    table->setRowCount(0);
    table->setColumnCount(0);
    const QString before = m_refusal;
    m_refusal.clear();
    QString status;

    const bool anyRow = ui->srcCheckBox->isChecked() || ui->rcvCheckBox->isChecked() || ui->cdpCheckBox->isChecked();
    const bool transform = !ui->writeAsisGroupBox->isChecked() && ui->applyTransformGroupBox->isChecked();
    if (!anyRow) {
        status = tr("Choose the positions to read to see the values they will store.");
    } else if (transform && (!inCrsValid || !outCrsValid || shownCrsCode(ui->inEpsgComboBox) <= 0
                             || shownCrsCode(ui->outEpsgComboBox) <= 0)) {
        status = tr("Choose the input and output reference systems to see the values they will store.");
    } else {
        const PositionConversion conversion(currentMapping());
        if (!conversion.error().isEmpty()) {
            m_refusal = conversion.error();
        } else {
            // One column per coordinate read, then the scalar and the unit.
            static const char* const Headers[6] = {
                QT_TR_NOOP("SRC X [73-76]"), QT_TR_NOOP("SRC Y [77-80]"),   QT_TR_NOOP("RCV X [81-84]"),
                QT_TR_NOOP("RCV Y [85-88]"), QT_TR_NOOP("CDP X [181-184]"), QT_TR_NOOP("CDP Y [185-188]")};
            QStringList headers{tr("Line")};
            QList<int> mapped;
            for (int k = 0; k < 6; ++k) {
                if (conversion.column(k) >= 0) {
                    mapped << k;
                    headers << tr(Headers[k]);
                }
            }
            headers << tr("Scalar [71-72]") << tr("Unit [89-90]");
            table->setColumnCount(headers.size());
            table->setHorizontalHeaderLabels(headers);

            const auto* importWizard = qobject_cast<const ImportDataFromTextWizard*>(wizard());
            const QList<ImportDataFromTextWizard::KeptLine> lines =
                importWizard ? importWizard->keptPreviewLines(PreviewRows) : QList<ImportDataFromTextWizard::KeptLine>();
            table->setRowCount(lines.size());
            int refused = 0;
            for (int r = 0; r < lines.size(); ++r) {
                const ImportDataFromTextWizard::KeptLine& kept = lines.at(r);
                const PositionLine line = conversion.convert(kept.fields);
                QStringList cells{QString::number(kept.lineNumber)};
                for (int k : qAsConst(mapped)) {
                    // A refused line shows what it holds: it will store nothing.
                    cells << (line.isStored() ? QString::number(line.values[k])
                                              : kept.fields.value(conversion.column(k)).trimmed());
                }
                if (line.isStored())
                    cells << QString::number(conversion.scalar()) << QString::number(conversion.unitsCode());
                else
                    cells << tr("unchanged") << tr("unchanged");
                const QString reason = conversion.reason(line, kept.lineNumber);
                for (int c = 0; c < cells.size(); ++c) {
                    auto* item = new QTableWidgetItem(cells.at(c));
                    if (!line.isStored()) {
                        item->setForeground(QColor(Qt::red));
                        item->setToolTip(reason);
                    }
                    table->setItem(r, c, item);
                }
                if (!line.isStored() && refused++ == 0)
                    m_refusal = reason;
            }
            if (refused > 1)
                m_refusal = tr("%1 of the first %2 lines cannot be stored. ").arg(refused).arg(lines.size()) + m_refusal;
            if (lines.isEmpty())
                status = tr("The text shows no line to import with these options.");
            else if (refused == 0)
                status = tr("Line n goes to trace n of the file, in file order; lines beyond the last trace are "
                            "not imported.");
            table->resizeColumnsToContents();
        }
    }
    ui->previewStatusLabel->setText(m_refusal.isEmpty() ? status : m_refusal);
    ui->previewStatusLabel->setStyleSheet(m_refusal.isEmpty() ? QString() : QStringLiteral("color: #FF0000;"));
    if (m_refusal != before)
        emit completeChanged();
}

bool ImportPositioningSEGYWidardPage::validatePage()
{
    if (!ui->srcCheckBox->isChecked() && !ui->rcvCheckBox->isChecked() && !ui->cdpCheckBox->isChecked()) {
        updatePositionLabels();
        return false;
    }
    const bool transform = ui->applyTransformGroupBox->isChecked();
    if (transform) {
        // A box that shows no catalogue entry (an empty catalogue, a text
        // typed but not chosen) names no system.
        if (shownCrsCode(ui->inEpsgComboBox) <= 0) {
            inCrsValid = false;
            updateInputCrsLabel();
        }
        if (shownCrsCode(ui->outEpsgComboBox) <= 0) {
            outCrsValid = false;
            updateOutputCrsLabel();
        }
        if (!inCrsValid || !outCrsValid)
            return false;
    }

    // Lines that would store nothing keep the wizard open; the page says why.
    updatePreview();
    if (!m_refusal.isEmpty())
        return false;

    const QMap<QString, int> mapping = currentMapping();
    if (auto* importWizard = qobject_cast<ImportDataFromTextWizard*>(wizard()))
        importWizard->setMapping(mapping);
    return true;
}
