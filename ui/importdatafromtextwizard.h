#pragma once

#include "delimitedtext.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <QWizard>

class QIODevice;
class QLabel;
class QStandardItemModel;

namespace Ui {
class ImportDataFromTextWizard;
}

// Turns a delimited text file into rows of text fields. Its pages choose the
// first line, the delimiters and the line filters, with a live preview; more
// pages (the positioning page) may be appended. Once accepted, it reads the
// whole file and hands every kept line to its listeners through dataParsed,
// between parsingStarted and parsingCompleted. It knows nothing of SEG-Y.
class ImportDataFromTextWizard : public QWizard
{
    Q_OBJECT

public:
    // Takes ownership of device, which it opens read-only for each reading
    // pass and closes afterwards.
    ImportDataFromTextWizard(QIODevice* device, const QString& fileName, QWidget* parent = nullptr);
    ~ImportDataFromTextWizard() override;

    void setMapping(const QMap<QString, int>& mapping);
    QMap<QString, int> mapping() const { return m_mapping; }

    // The choices made on the pages.
    TextSplitOptions splitOptions() const;
    // One kept line of the preview as the parsing pass hands it on: its
    // number in the file and its untrimmed fields.
    struct KeptLine {
        qint64 lineNumber = 0;
        QStringList fields;
    };
    // The first kept lines of the preview (at most count).
    QList<KeptLine> keptPreviewLines(int count) const;
    // While dataParsed is being emitted: the line's number in the text file.
    qint64 currentLineNumber() const { return m_lineNumber; }
    // Whether accepting the wizard starts the parsing pass (queued, once the
    // accepting handler has returned); true at construction. A caller that
    // runs splitData itself turns it off.
    void setParseWhenAccepted(bool parse) { m_parseWhenAccepted = parse; }

    // Refuses to go on while the other delimiter would cut numbers apart.
    bool validateCurrentPage() override;

signals:
    void dataParsed(int line_index, QStringList line_parts);
    void parsingStarted();
    void parsingProgress(int progress);
    void parsingCompleted();
    void mappingUpdated(QMap<QString, int> mapping);

public slots:
    void reloadPreview(int unused = 0);
    void splitPreviewData(bool unused = true);
    void splitPreviewDataWrapper(QString unused);
    void splitData();

private slots:
    void on_ImportDataFromTextWizard_accepted();
    void on_otherCheckBox_toggled(bool checked);
    void on_skipCheckBox_toggled(bool checked);

private:
    Ui::ImportDataFromTextWizard* ui;
    QIODevice* m_device;
    QStringList m_previewLines;
    QStandardItemModel* m_previewModel;
    QLabel* m_delimiterWarning;  // why the other delimiter cannot be used
    QMap<QString, int> m_mapping;
    qint64 m_lineNumber = 0;
    bool m_parseWhenAccepted = true;
};
