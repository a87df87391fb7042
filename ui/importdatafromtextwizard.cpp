#include "importdatafromtextwizard.h"

#include "ui_importdatafromtextwizard.h"

#include <QCheckBox>
#include <QLabel>
#include <QIODevice>
#include <QStandardItemModel>
#include <QTextCursor>
#include <QTimer>

namespace {
constexpr int PreviewLines = 50;
constexpr int ProgressEvery = 200;  // emitted lines between two progress reports
}  // namespace

ImportDataFromTextWizard::ImportDataFromTextWizard(QIODevice* device, const QString& fileName, QWidget* parent)
    : QWizard(parent), ui(new Ui::ImportDataFromTextWizard), m_device(device)
{
    qRegisterMetaType<QMap<QString, int>>("QMap<QString,int>");
    ui->setupUi(this);
    ui->filenameLabel->setText(fileName);
    m_previewModel = new QStandardItemModel(this);
    ui->previewTableView1->setModel(m_previewModel);
    ui->previewTableView2->setModel(m_previewModel);
    m_delimiterWarning = new QLabel(ui->wizardPage2);
    m_delimiterWarning->setObjectName(QStringLiteral("delimiterWarningLabel"));
    m_delimiterWarning->setStyleSheet(QStringLiteral("color: #FF0000;"));
    m_delimiterWarning->setWordWrap(true);
    m_delimiterWarning->hide();
    ui->page2Layout->insertWidget(ui->page2Layout->indexOf(ui->otherLayout) + 1, m_delimiterWarning);

    connect(ui->startRowSpinBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &ImportDataFromTextWizard::reloadPreview);
    for (QCheckBox* box : {ui->commaCheckBox, ui->semicolonCheckBox, ui->spaceCheckBox, ui->tabCheckBox,
                           ui->otherCheckBox, ui->oneDelimCheckBox, ui->skipCheckBox, ui->removeEmptyCheckBox})
        connect(box, &QCheckBox::clicked, this, &ImportDataFromTextWizard::splitPreviewData);
    connect(ui->otherLineEdit, &QLineEdit::textChanged, this, &ImportDataFromTextWizard::splitPreviewDataWrapper);
    connect(ui->removeLineEdit, &QLineEdit::textChanged, this, &ImportDataFromTextWizard::splitPreviewDataWrapper);

    reloadPreview();
}

ImportDataFromTextWizard::~ImportDataFromTextWizard()
{
    if (m_device && m_device->isOpen())
        m_device->close();
    delete m_device;
    delete ui;
}

void ImportDataFromTextWizard::setMapping(const QMap<QString, int>& mapping)
{
    m_mapping = mapping;
    emit mappingUpdated(mapping);
}

TextSplitOptions ImportDataFromTextWizard::splitOptions() const
{
    TextSplitOptions options;
    options.comma = ui->commaCheckBox->isChecked();
    options.semicolon = ui->semicolonCheckBox->isChecked();
    options.space = ui->spaceCheckBox->isChecked();
    options.tab = ui->tabCheckBox->isChecked();
    if (ui->otherCheckBox->isChecked())
        options.other = ui->otherLineEdit->text();
    options.mergeDelimiters = ui->oneDelimCheckBox->isChecked();
    options.startLine = ui->startRowSpinBox->value();
    if (ui->skipCheckBox->isChecked())
        options.skipPrefix = ui->removeLineEdit->text();
    options.removeEmptyRows = ui->removeEmptyCheckBox->isChecked();
    return options;
}

QList<ImportDataFromTextWizard::KeptLine> ImportDataFromTextWizard::keptPreviewLines(int count) const
{
    const LineSplitter splitter(splitOptions());
    const qint64 first = ui->startRowSpinBox->value();
    QList<KeptLine> kept;
    KeptLine line;
    for (int i = 0; i < m_previewLines.size() && kept.size() < count; ++i) {
        if (!splitter.keep(m_previewLines.at(i), &line.fields))
            continue;
        line.lineNumber = first + i;
        kept.append(line);
    }
    return kept;
}

void ImportDataFromTextWizard::reloadPreview(int)
{
    m_previewLines.clear();
    if (m_device && m_device->open(QIODevice::ReadOnly)) {
        TextSplitOptions from;
        from.startLine = ui->startRowSpinBox->value();
        DelimitedTextReader reader(m_device, from);
        QString line;
        while (m_previewLines.size() < PreviewLines && reader.readRawLine(&line))
            m_previewLines.append(line);
        m_device->close();
    }
    ui->previewTextEdit->setPlainText(m_previewLines.join(QLatin1Char('\n')));
    ui->previewTextEdit->moveCursor(QTextCursor::Start);
    splitPreviewData();
}

bool ImportDataFromTextWizard::validateCurrentPage()
{
    return delimiterRefusal(splitOptions()).isEmpty() && QWizard::validateCurrentPage();
}

void ImportDataFromTextWizard::splitPreviewData(bool)
{
    const QString refusal = delimiterRefusal(splitOptions());
    m_delimiterWarning->setText(refusal);
    m_delimiterWarning->setVisible(!refusal.isEmpty());
    const LineSplitter splitter(splitOptions());
    QList<QStringList> rows;
    int columns = 0;
    QStringList fields;
    for (const QString& line : qAsConst(m_previewLines)) {
        if (!splitter.keep(line, &fields))
            continue;
        rows.append(fields);
        columns = qMax(columns, fields.size());
    }

    m_previewModel->clear();
    m_previewModel->setRowCount(rows.size());
    m_previewModel->setColumnCount(columns);
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < columns; ++c)
            m_previewModel->setItem(r, c, new QStandardItem(rows[r].value(c).trimmed()));
    }
    ui->previewTableView1->reset();
    ui->previewTableView2->reset();
}

void ImportDataFromTextWizard::splitPreviewDataWrapper(QString)
{
    splitPreviewData();
}

void ImportDataFromTextWizard::splitData()
{
    if (!m_device || !m_device->open(QIODevice::ReadOnly)) {
        emit parsingCompleted();
        return;
    }
    emit parsingStarted();
    emit parsingProgress(0);

    // Streams the file: one line at a time, nothing kept.
    DelimitedTextReader reader(m_device, splitOptions());
    QStringList fields;
    int count = 0;
    while (reader.readFields(&fields)) {
        m_lineNumber = reader.lineNumber();
        emit dataParsed(count, fields);
        if (++count % ProgressEvery == 0)
            emit parsingProgress(reader.percentRead());
    }
    m_lineNumber = 0;
    m_device->close();
    emit parsingCompleted();
}

void ImportDataFromTextWizard::on_ImportDataFromTextWizard_accepted()
{
    // The pass runs on this thread once the accepting handler has returned,
    // so whoever accepted the wizard gets control back first.
    if (m_parseWhenAccepted)
        QTimer::singleShot(0, this, &ImportDataFromTextWizard::splitData);
}

void ImportDataFromTextWizard::on_otherCheckBox_toggled(bool checked)
{
    ui->otherLineEdit->setEnabled(checked);
}

void ImportDataFromTextWizard::on_skipCheckBox_toggled(bool checked)
{
    ui->removeLineEdit->setEnabled(checked);
}
