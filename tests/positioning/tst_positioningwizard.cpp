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
        const QString path = textFile("1 2\n");
        QScopedPointer<ImportDataFromTextWizard> wizard(createPositioningImportWizard(new QFile(path), path, nullptr));
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

    // Through the wizard into the file object: lines whole or not at all, and
    // one report.
    void importThroughWizard()
    {
        SegyFixture fx;
        fx.geometry(2, 1);
        for (int t = 0; t < 3; ++t)
            fx.addTrace(2, 1, [](int s) { return s; });
        const QString survey = dir.filePath(QStringLiteral("s.sgy"));
        QVERIFY(fx.writeTo(survey));
        SEGY segy;
        segy.setDevice(new QFile(survey));
        QVERIFY(segy.open());
        QSignalSpy completed(&segy, &SEGY::editCompleted);

        QTimer::singleShot(0, [] {
            auto* wizard = qobject_cast<ImportDataFromTextWizard*>(QApplication::activeModalWidget());
            QVERIFY(wizard);
            child<QCheckBox>(wizard, "semicolonCheckBox")->click();
            while (wizard->currentId() != wizard->pageIds().last())
                wizard->next();
            play(wizard->currentPage(), {QStringLiteral("cdp 2 3")});
            wizard->accept();
        });
        const PositioningImportOutcome outcome =
            runPositioningImport(&segy, textFile("a;10;20\r\nb;x;21\r\nc;30;40\r\nd;1;2\r\n"), nullptr);
        QVERIFY(outcome.accepted);
        QVERIFY(outcome.changed);
        QCOMPARE(mappingText(outcome.mapping), QStringLiteral("AS_IS_UNIT=1 CDP_X=1 CDP_Y=2"));
        QCOMPARE(outcome.message,
                 QStringLiteral("1 line(s) of the positioning file could not be written and left their traces "
                                "unchanged (the first is line 2 of the file); 1 line(s) lay beyond the last trace "
                                "and were not imported."));
        const int x = traceHeaderFieldIndex(QStringLiteral("181"));
        const int scalar = traceHeaderFieldIndex(QStringLiteral("71"));
        QCOMPARE(segy.traceHeaderValue(0, x), 10);
        QCOMPARE(segy.traceHeaderValue(1, x), 0);
        QCOMPARE(segy.traceHeaderValue(1, scalar), 0);
        QCOMPARE(segy.traceHeaderValue(2, x), 30);
        QCOMPARE(segy.traceHeaderValue(2, scalar), -100);
        QCOMPARE(completed.count(), 1);
    }
};

QTEST_MAIN(TestPositioningWizard)
#include "tst_positioningwizard.moc"
