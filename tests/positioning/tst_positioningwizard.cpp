// The text import wizard and the positioning page, offscreen: the preview and
// the parsing pass, the page's validation and mapping, and an import driven
// through the wizard into a file object.

#include "fixture.h"
#include "headerfields.h"
#include "importdatafromtextwizard.h"
#include "positioningimport.h"
#include "segy.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTableWidget>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QTableView>
#include <QtTest>

namespace {

template <typename T>
T* child(QWidget* parent, const QByteArray& name)
{
    T* widget = parent->findChild<T*>(QString::fromLatin1(name));
    if (!widget)
        qFatal("no widget %s", name.constData());
    return widget;
}

QString mappingText(const QMap<QString, int>& mapping)
{
    QStringList out;
    for (auto it = mapping.cbegin(); it != mapping.cend(); ++it)
        out << it.key() + QLatin1Char('=') + QString::number(it.value());
    return out.join(QLatin1Char(' '));
}

// Plays page steps: "src 3 4", "transform", "asis", "clear" (the input
// system's text), "out 4326" (the user picks that entry).
void play(QWidget* page, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        if (w[0] == QLatin1String("src") || w[0] == QLatin1String("cdp")) {
            const QByteArray row = w[0].toLatin1();
            child<QCheckBox>(page, row + "CheckBox")->setChecked(true);
            child<QSpinBox>(page, row + "XSpinBox")->setValue(w[1].toInt());
            child<QSpinBox>(page, row + "YSpinBox")->setValue(w[2].toInt());
        } else if (w[0] == QLatin1String("transform")) {
            child<QGroupBox>(page, "applyTransformGroupBox")->setChecked(true);
        } else if (w[0] == QLatin1String("asis")) {
            child<QGroupBox>(page, "writeAsisGroupBox")->setChecked(true);
        } else if (w[0] == QLatin1String("clear")) {
            child<QComboBox>(page, "inEpsgComboBox")->setEditText(QString());
        } else {
            QComboBox* box = child<QComboBox>(page, w[0] == QLatin1String("in") ? "inEpsgComboBox" : "outEpsgComboBox");
            const int index = box->findData(w[1].toInt());
            box->setCurrentIndex(index);
            emit box->activated(index);
        }
    }
}

// Answers the message boxes that show up from a timer, recording each as
// "title|text".
class BoxAnswers : public QObject
{
public:
    BoxAnswers()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible())
                return;
            seen << box->windowTitle() + QLatin1Char('|') + box->text();
            box->button(QMessageBox::Ok)->click();
        });
        m_timer.start(10);
    }
    QStringList seen;

private:
    QTimer m_timer;
};

// A row of the page's preview, cells joined by blanks, "!" in front when the
// row is shown refused (red).
QString previewRow(QTableWidget* table, int row)
{
    QStringList cells;
    for (int c = 0; c < table->columnCount(); ++c)
        cells << table->item(row, c)->text();
    const bool red = table->item(row, 0)->foreground().color() == QColor(Qt::red);
    return (red ? QStringLiteral("!") : QString()) + cells.join(QLatin1Char(' '));
}

QStringList previewRows(QWidget* page)
{
    auto* table = child<QTableWidget>(page, "previewTableWidget");
    QStringList rows;
    for (int r = 0; r < table->rowCount(); ++r)
        rows << previewRow(table, r);
    return rows;
}

// What a user does on the page, step by step: "src 2 3" checks the row with
// the space bar and types the two columns into its spin boxes, "unit down"
// moves the as-is unit box one entry down with the arrow key; the others as
// in play().
void userPlay(QWidget* page, const QStringList& steps)
{
    for (const QString& step : steps) {
        const QStringList w = step.split(QLatin1Char(' '));
        if (w[0] == QLatin1String("src") || w[0] == QLatin1String("rcv") || w[0] == QLatin1String("cdp")) {
            const QByteArray row = w[0].toLatin1();
            QTest::keyClick(child<QCheckBox>(page, row + "CheckBox"), Qt::Key_Space);
            for (int axis = 0; axis < 2; ++axis) {
                auto* spin = child<QSpinBox>(page, row + (axis == 0 ? "XSpinBox" : "YSpinBox"));
                QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
                QTest::keyClicks(spin, w[1 + axis]);
            }
        } else if (w[0] == QLatin1String("unit")) {
            QTest::keyClick(child<QComboBox>(page, "asisUnitComboBox"), Qt::Key_Down);
        } else {
            play(page, {step});
        }
    }
}

// A wizard on text with Semicolon chosen, standing on the positioning page.
ImportDataFromTextWizard* wizardOnPage(const QString& path)
{
    ImportDataFromTextWizard* wizard = createPositioningImportWizard(new QFile(path), path, nullptr);
    wizard->show();
    child<QCheckBox>(wizard, "semicolonCheckBox")->click();
    while (wizard->currentId() != wizard->pageIds().last())
        wizard->next();
    return wizard;
}

}  // namespace

class TestPositioningWizard : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    QString textFile(const QByteArray& content)
    {
        static int serial = 0;
        const QString path = dir.filePath(QStringLiteral("p%1.txt").arg(++serial));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(content);
        return path;
    }

private slots:
    // Preview cells trimmed, parsed fields as they are; the start line and
    // the filters apply to both.
    void previewAndParsing()
    {
        const QString path = textFile("# survey\nskip me\n 1 , 2,3\n# note\n4,,5\n");
        ImportDataFromTextWizard wizard(new QFile(path), path);
        child<QSpinBox>(&wizard, "startRowSpinBox")->setValue(3);
        child<QCheckBox>(&wizard, "commaCheckBox")->click();
        child<QCheckBox>(&wizard, "skipCheckBox")->click();
        QVERIFY(child<QLineEdit>(&wizard, "removeLineEdit")->isEnabled());
        child<QLineEdit>(&wizard, "removeLineEdit")->setText(QStringLiteral("#"));

        auto* model = qobject_cast<QStandardItemModel*>(child<QTableView>(&wizard, "previewTableView2")->model());
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(model->columnCount(), 3);
        QCOMPARE(model->item(0, 0)->text(), QStringLiteral("1"));
        QCOMPARE(model->item(1, 1)->text(), QStringLiteral("5"));

        QSignalSpy parsed(&wizard, &ImportDataFromTextWizard::dataParsed);
        QSignalSpy completed(&wizard, &ImportDataFromTextWizard::parsingCompleted);
        wizard.splitData();
        QCOMPARE(parsed.count(), 2);
        QCOMPARE(parsed[0][0].toInt(), 0);
        QCOMPARE(parsed[0][1].toStringList(), (QStringList{" 1 ", " 2", "3"}));
        QCOMPARE(parsed[1][1].toStringList(), (QStringList{"4", "5"}));
        QCOMPARE(completed.count(), 1);
    }

    // An other delimiter that would cut numbers shows why under the field
    // and keeps the wizard from going on.
    void numberDelimiterRefused()
    {
        const QString path = textFile("1 2\n");
        ImportDataFromTextWizard wizard(new QFile(path), path);
        auto* warning = child<QLabel>(&wizard, "delimiterWarningLabel");
        QVERIFY(warning->isHidden());
        child<QCheckBox>(&wizard, "otherCheckBox")->click();
        for (const char* text : {"0", "-", "\\d", "x|\\."}) {
            child<QLineEdit>(&wizard, "otherLineEdit")->setText(QLatin1String(text));
            QVERIFY(!warning->isHidden());
            QCOMPARE(warning->text(), QStringLiteral("\"%1\" cannot be a delimiter: digits, signs and decimal points "
                                                     "are parts of numbers.").arg(QLatin1String(text)));
            QVERIFY(!wizard.validateCurrentPage());
        }
        child<QLineEdit>(&wizard, "otherLineEdit")->setText(QStringLiteral("x"));
        QVERIFY(warning->isHidden());
        QVERIFY(wizard.validateCurrentPage());
        // Unchecking the box drops the fragment, and the refusal with it.
        child<QLineEdit>(&wizard, "otherLineEdit")->setText(QStringLiteral("0"));
        child<QCheckBox>(&wizard, "otherCheckBox")->click();
        QVERIFY(warning->isHidden());
        QVERIFY(wizard.validateCurrentPage());
    }

    void unreadableFile()
    {
        ImportDataFromTextWizard wizard(new QFile(dir.filePath(QStringLiteral("none.txt"))), QStringLiteral("none"));
        QSignalSpy started(&wizard, &ImportDataFromTextWizard::parsingStarted);
        QSignalSpy completed(&wizard, &ImportDataFromTextWizard::parsingCompleted);
        wizard.splitData();
        QCOMPARE(started.count(), 0);
        QCOMPARE(completed.count(), 1);
    }

    void page_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("mapping");  // empty: Finish refused
        QTest::addColumn<QString>("srcLabel");
        QTest::addColumn<QString>("inLabel");
        QTest::newRow("no row") << QStringList() << "" << "<font color=\"#FF0000\">SRC POS (!)</font>"
                                << "Input CRS:";
        QTest::newRow("source as is") << QStringList{"src 3 4"} << "AS_IS_UNIT=1 SRC_X=2 SRC_Y=3" << "SRC POS"
                                      << "Input CRS:";
        QTest::newRow("transform, boxes untouched")
            << QStringList{"cdp 1 2", "transform"} << "CDP_X=0 CDP_Y=1 IN_EPSG=2000 IN_UNIT=1 OUT_EPSG=2000 OUT_UNIT=1"
            << "SRC POS" << "Input CRS:";
        QTest::newRow("units follow the chosen systems")
            << QStringList{"src 1 2", "transform", "in 23031", "out 4326"}
            << "IN_EPSG=23031 IN_UNIT=1 OUT_EPSG=4326 OUT_UNIT=3 SRC_X=0 SRC_Y=1" << "SRC POS" << "Input CRS:";
        QTest::newRow("cleared input system") << QStringList{"src 1 2", "transform", "clear"} << "" << "SRC POS"
                                              << "<font color=\"#FF0000\">(!) Input CRS:</font>";
        QTest::newRow("cleared input, then as is") << QStringList{"src 1 2", "transform", "clear", "asis"}
                                                   << "AS_IS_UNIT=1 SRC_X=0 SRC_Y=1" << "SRC POS"
                                                   << "<font color=\"#FF0000\">(!) Input CRS:</font>";
    }

    void page()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, mapping);
        QFETCH(QString, srcLabel);
        QFETCH(QString, inLabel);
        const QString path = textFile("1 2 3 4\n");
        QScopedPointer<ImportDataFromTextWizard> wizard(createPositioningImportWizard(new QFile(path), path, nullptr));
        child<QCheckBox>(wizard.data(), "spaceCheckBox")->click();
        QWidget* page = wizard->page(wizard->pageIds().last());
        QCOMPARE(child<QComboBox>(page, "inEpsgComboBox")->itemText(0), QStringLiteral("Anguilla 1957 / British West Indies Grid (2000)"));
        play(page, steps);
        QCOMPARE(child<QGroupBox>(page, "writeAsisGroupBox")->isChecked(),
                 !child<QGroupBox>(page, "applyTransformGroupBox")->isChecked());
        QSignalSpy updated(wizard.data(), &ImportDataFromTextWizard::mappingUpdated);
        QCOMPARE(qobject_cast<QWizardPage*>(page)->validatePage(), !mapping.isEmpty());
        QCOMPARE(mappingText(wizard->mapping()), mapping);
        QCOMPARE(updated.count(), mapping.isEmpty() ? 0 : 1);
        QCOMPARE(child<QLabel>(page, "srcCheckLabel")->text(), srcLabel);
        QCOMPARE(child<QLabel>(page, "inCRSLabel")->text(), inLabel);
    }

    // The first lines as they will be stored, refused ones in red with the
    // reason under the table and Finish disabled.
    void preview_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("headers");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("status");  // the text under the table, or a part of it
        QTest::addColumn<bool>("finish");

        const QString ok = QStringLiteral("Line n goes to trace n of the file, in file order; lines beyond the last "
                                          "trace are not imported.");
        QTest::newRow("as is, integers, metres")
            << QByteArray("a;512345;6789012;7\nb;512346;-6789013;8\n") << QStringList{"src 2 3", "cdp 3 4"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|CDP X [181-184]|CDP Y [185-188]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"1 512345 6789012 6789012 7 -100 1", "2 512346 -6789013 -6789013 8 -100 1"} << ok << true;
        QTest::newRow("as is, seconds of arc")
            << QByteArray("a;10;20\n") << QStringList{"rcv 2 3", "unit down"}
            << "Line|RCV X [81-84]|RCV Y [85-88]|Scalar [71-72]|Unit [89-90]" << QStringList{"1 10 20 -10000 2"}
            << ok << true;
        QTest::newRow("metres with decimals through the same system")
            << QByteArray("a;512345.67;6789012.25\n# x\nb;512000;6789000.5\n")
            << QStringList{"src 2 3", "transform", "in 23031", "out 23031"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"1 51234567 678901225 -100 1", "3 51200000 678900050 -100 1"} << ok << true;
        QTest::newRow("decimals as is")
            << QByteArray("a;512345;6789012\nb;512345.67;6789013\n") << QStringList{"src 2 3"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"1 512345 6789012 -100 1", "!2 512345.67 6789013 unchanged unchanged"}
            << "Line 2: 512345.67 has decimals; \"Write data as is\" stores integers only. Choose a reference system "
               "transform, which stores decimals with a scalar."
            << false;
        QTest::newRow("too large as is")
            << QByteArray("a;3000000000;1\n") << QStringList{"src 2 3"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"!1 3000000000 1 unchanged unchanged"}
            << "Line 1: 3000000000 does not fit a 4-byte header field." << false;
        QTest::newRow("too large once scaled")
            << QByteArray("a;0;89\n") << QStringList{"src 2 3", "transform", "in 4326", "out 3857"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"!1 0 89 unchanged unchanged"} << "times 100 does not fit a 4-byte header field." << false;
        QTest::newRow("no number, second of two refused")
            << QByteArray("a;1.5;2\nb;x;3\n") << QStringList{"src 2 3"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"!1 1.5 2 unchanged unchanged", "!2 x 3 unchanged unchanged"}
            << "2 of the first 2 lines cannot be stored. Line 1: 1.5 has decimals;" << false;
        QTest::newRow("a column the line lacks")
            << QByteArray("a;1;2\n") << QStringList{"src 2 4"}
            << "Line|SRC X [73-76]|SRC Y [77-80]|Scalar [71-72]|Unit [89-90]"
            << QStringList{"!1 1  unchanged unchanged"} << "Line 1 has no column 4." << false;
    }

    void preview()
    {
        QFETCH(QByteArray, text);
        QFETCH(QStringList, steps);
        QFETCH(QString, headers);
        QFETCH(QStringList, rows);
        QFETCH(QString, status);
        QFETCH(bool, finish);
        QScopedPointer<ImportDataFromTextWizard> wizard(wizardOnPage(textFile(text)));
        child<QCheckBox>(wizard.data(), "skipCheckBox")->setChecked(true);
        child<QLineEdit>(wizard.data(), "removeLineEdit")->setText(QStringLiteral("#"));
        wizard->back();
        wizard->next();  // the page reads the filters again
        QWidget* page = wizard->currentPage();
        userPlay(page, steps);

        auto* table = child<QTableWidget>(page, "previewTableWidget");
        QStringList shown;
        for (int c = 0; c < table->columnCount(); ++c)
            shown << table->horizontalHeaderItem(c)->text();
        QCOMPARE(shown.join(QLatin1Char('|')), headers);
        QCOMPARE(previewRows(page), rows);
        const QString said = child<QLabel>(page, "previewStatusLabel")->text();
        QVERIFY2(said.contains(status), qPrintable(said));
        QCOMPARE(wizard->button(QWizard::FinishButton)->isEnabled(), finish);
        QSignalSpy updated(wizard.data(), &ImportDataFromTextWizard::mappingUpdated);
        QCOMPARE(qobject_cast<QWizardPage*>(page)->validatePage(), finish);
        QCOMPARE(updated.count(), finish ? 1 : 0);
        if (!finish && QTest::currentDataTag() == QByteArray("decimals as is")) {
            QCOMPARE(QRegularExpression(QStringLiteral("^Line 2: 512345.67 has decimals")).match(said).hasMatch(), true);
            wizard->resize(750, 640);
            wizard->show();
            QVERIFY(QTest::qWaitForWindowExposed(wizard.data()));
            QVERIFY(wizard->grab().save(QStringLiteral("/tmp/posprev-refused.png")));
            // Choosing the transform makes the same lines storable.
            userPlay(page, {QStringLiteral("transform"), QStringLiteral("in 23031"), QStringLiteral("out 23031")});
            QCOMPARE(previewRows(page).last(), QStringLiteral("2 51234567 678901300 -100 1"));
            QVERIFY(wizard->button(QWizard::FinishButton)->isEnabled());
        }
    }

    // Finish stores exactly what the preview showed; the box says so.
    void importStoresThePreview()
    {
        SegyFixture fx;
        fx.geometry(2, 1);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(2, 1, [](int s) { return s; });
        const QString survey = dir.filePath(QStringLiteral("stored.sgy"));
        QVERIFY(fx.writeTo(survey));
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());

        QStringList previewed;
        BoxAnswers boxes;
        QTimer::singleShot(0, [&previewed] {
            auto* wizard = qobject_cast<ImportDataFromTextWizard*>(QApplication::activeModalWidget());
            QVERIFY(wizard);
            child<QCheckBox>(wizard, "semicolonCheckBox")->click();
            while (wizard->currentId() != wizard->pageIds().last())
                wizard->next();
            userPlay(wizard->currentPage(), {QStringLiteral("cdp 2 3"), QStringLiteral("transform"),
                                             QStringLiteral("in 23031"), QStringLiteral("out 23031")});
            previewed = previewRows(wizard->currentPage());
            wizard->button(QWizard::FinishButton)->click();
        });
        const PositioningImportOutcome outcome =
            runPositioningImport(&segy, textFile("a;512345.67;6789012.25\nb;-1000.5;20.01\n"), nullptr);
        QVERIFY(outcome.accepted);
        QVERIFY(outcome.changed);
        QVERIFY(segy.isModified());
        QCOMPARE(outcome.message, QString());
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("Info|2 trace(s) received positions.")});
        QCOMPARE(previewed, (QStringList{"1 51234567 678901225 -100 1", "2 -100050 2001 -100 1"}));
        QStringList stored;
        for (int t = 0; t < 2; ++t) {
            QStringList cells{QString::number(t + 1)};
            for (const char* f : {"181", "185", "71", "89"})
                cells << QString::number(segy.traceHeaderValue(t, traceHeaderFieldIndex(QLatin1String(f))));
            stored << cells.join(QLatin1Char(' '));
        }
        QCOMPARE(stored, previewed);
        QCOMPARE(segy.traceHeaderValue(2, traceHeaderFieldIndex(QStringLiteral("181"))), 0);
    }

    // Lines the preview cannot see (beyond its first lines) are still
    // refused whole by the import; when nothing was stored, the file is not
    // modified, and the box and the log say why.
    void importWritingNothing_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no number") << QByteArray("a;x;1") << "Line 51: \"x\" in column 2 is not a number.";
        QTest::newRow("too large") << QByteArray("a;-3000000000;1") << "Line 51: -3000000000 does not fit a 4-byte header field.";
    }

    void importWritingNothing()
    {
        QFETCH(QByteArray, bad);
        QFETCH(QString, reason);
        SegyFixture fx;
        fx.geometry(2, 1);
        fx.addTrace(2, 1, [](int s) { return s; });
        fx.tr32(0, 73, 11);
        const QString survey = dir.filePath(QStringLiteral("nothing.sgy"));
        QVERIFY(fx.writeTo(survey));
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        QByteArray text;
        for (int i = 0; i < 50; ++i)
            text += "# comment\n";
        text += bad + "\n";

        BoxAnswers boxes;
        QTimer::singleShot(0, [] {
            auto* wizard = qobject_cast<ImportDataFromTextWizard*>(QApplication::activeModalWidget());
            QVERIFY(wizard);
            child<QCheckBox>(wizard, "semicolonCheckBox")->click();
            child<QCheckBox>(wizard, "skipCheckBox")->click();
            QTest::keyClicks(child<QLineEdit>(wizard, "removeLineEdit"), QStringLiteral("#"));
            while (wizard->currentId() != wizard->pageIds().last())
                wizard->next();
            userPlay(wizard->currentPage(), {QStringLiteral("src 2 3")});
            QCOMPARE(previewRows(wizard->currentPage()), QStringList());
            wizard->button(QWizard::FinishButton)->click();
        });
        const PositioningImportOutcome outcome = runPositioningImport(&segy, textFile(text), nullptr);
        QVERIFY(outcome.accepted);
        QVERIFY(!outcome.changed);
        QVERIFY(!segy.isModified());
        QCOMPARE(segy.traceHeaderValue(0, traceHeaderFieldIndex(QStringLiteral("73"))), 11);
        QCOMPARE(boxes.seen, QStringList{"Warning|0 trace(s) received positions.\n1 trace(s) were left unchanged "
                                         "because their lines could not be stored.\n" + reason});
        QCOMPARE(outcome.message, QStringLiteral("1 line(s) of the positioning file could not be written and left "
                                                 "their traces unchanged (the first is line 51 of the file); 0 "
                                                 "line(s) lay beyond the last trace and were not imported."));
    }

    // Through the wizard into the file object: a bad line past the preview
    // leaves its trace whole, lines past the last trace are counted, and one
    // report says both.
    void importThroughWizard()
    {
        SegyFixture fx;
        fx.geometry(2, 1);
        for (int t = 0; t < 22; ++t)
            fx.addTrace(2, 1, [](int s) { return s; });
        const QString survey = dir.filePath(QStringLiteral("s.sgy"));
        QVERIFY(fx.writeTo(survey));
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        QSignalSpy completed(&segy, &SEGY::editCompleted);

        BoxAnswers boxes;
        QTimer::singleShot(0, [] {
            auto* wizard = qobject_cast<ImportDataFromTextWizard*>(QApplication::activeModalWidget());
            QVERIFY(wizard);
            child<QCheckBox>(wizard, "semicolonCheckBox")->click();
            while (wizard->currentId() != wizard->pageIds().last())
                wizard->next();
            play(wizard->currentPage(), {QStringLiteral("cdp 2 3")});
            wizard->accept();
        });
        QByteArray text;
        for (int i = 0; i < 20; ++i)
            text += "a;10;20\r\n";
        text += "b;x;21\r\nc;30;40\r\nd;1;2\r\n";
        const PositioningImportOutcome outcome = runPositioningImport(&segy, textFile(text), nullptr);
        QVERIFY(outcome.accepted);
        QVERIFY(outcome.changed);
        QCOMPARE(mappingText(outcome.mapping), QStringLiteral("AS_IS_UNIT=1 CDP_X=1 CDP_Y=2"));
        QCOMPARE(outcome.message,
                 QStringLiteral("1 line(s) of the positioning file could not be written and left their traces "
                                "unchanged (the first is line 21 of the file); 1 line(s) lay beyond the last trace "
                                "and were not imported."));
        QCOMPARE(boxes.seen, QStringList{"Warning|21 trace(s) received positions.\n1 trace(s) were left unchanged "
                                         "because their lines could not be stored.\nLine 21: \"x\" in column 2 is "
                                         "not a number.\n1 line(s) lay beyond the last trace and were not imported."});
        const int x = traceHeaderFieldIndex(QStringLiteral("181"));
        const int scalar = traceHeaderFieldIndex(QStringLiteral("71"));
        QCOMPARE(segy.traceHeaderValue(0, x), 10);
        QCOMPARE(segy.traceHeaderValue(20, x), 0);
        QCOMPARE(segy.traceHeaderValue(20, scalar), 0);
        QCOMPARE(segy.traceHeaderValue(21, x), 30);
        QCOMPARE(segy.traceHeaderValue(21, scalar), -100);
        QCOMPARE(completed.count(), 1);
    }
};

QTEST_MAIN(TestPositioningWizard)
#include "tst_positioningwizard.moc"
