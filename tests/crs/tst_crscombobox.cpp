// The combo box helper shared by the reprojection dialog and the positioning
// import page.

#include "crscombobox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QtTest>

class TestCrsComboBox : public QObject
{
    Q_OBJECT

private slots:
    void entriesInListOrder()
    {
        QComboBox box;
        box.setEditable(true);
        populateCrsComboBox(&box, {CrsDefinition(QStringLiteral("+proj=longlat +datum=WGS84 +no_defs"), 4326,
                                                 QStringLiteral("WGS 84")),
                                   CrsDefinition(QStringLiteral("+proj=utm +zone=31 +ellps=intl"), 23031,
                                                 QStringLiteral("ED50 / UTM zone 31N")),
                                   CrsDefinition(QStringLiteral("+proj=utm +zone=31 +datum=WGS84"), 32631,
                                                 QStringLiteral("WGS 84 / UTM zone 31N"))});
        QCOMPARE(box.count(), 3);
        QCOMPARE(box.itemText(0), QStringLiteral("WGS 84 (4326)"));
        QCOMPARE(box.itemText(1), QStringLiteral("ED50 / UTM zone 31N (23031)"));
        QCOMPARE(box.itemData(0).type(), QVariant::Int);
        QCOMPARE(box.itemData(0).toInt(), 4326);
        QCOMPARE(box.itemData(2).toInt(), 32631);
        QCOMPARE(box.itemData(0, Qt::ToolTipRole).toString(),
                 QStringLiteral("EPSG: 4326\n+proj=longlat +datum=WGS84 +no_defs"));
        QVERIFY(box.itemIcon(0).isNull());

        // Typing any part of an entry, name or code, pops up the matches.
        QCompleter* completer = box.completer();
        QVERIFY(completer);
        QCOMPARE(completer->completionMode(), QCompleter::PopupCompletion);
        QCOMPARE(completer->filterMode(), Qt::MatchContains);
        completer->setCompletionPrefix(QStringLiteral("utm"));
        QCOMPARE(completer->completionCount(), 2);
        completer->setCompletionPrefix(QStringLiteral("2631"));
        QCOMPARE(completer->completionCount(), 1);
        QCOMPARE(completer->currentCompletion(), QStringLiteral("WGS 84 / UTM zone 31N (32631)"));
    }

    void emptyListAndPlainBox()
    {
        QComboBox box;
        populateCrsComboBox(&box, {});
        QCOMPARE(box.count(), 0);
        // A box that cannot be edited has no completer; it is filled all the same.
        populateCrsComboBox(&box, {CrsDefinition(QStringLiteral("+proj=longlat"), -1, QString())});
        QCOMPARE(box.itemText(0), QStringLiteral(" (-1)"));
        QCOMPARE(box.itemData(0).toInt(), -1);
    }

    // A catalogue that cannot be read leaves the box empty and says why.
    void catalogueError()
    {
        QComboBox box;
        box.setEditable(true);
        populateCrsComboBoxFromCatalogue(&box, CrsLookup{{}, QStringLiteral("no catalogue")});
        QCOMPARE(box.count(), 0);
        QCOMPARE(box.toolTip(), QStringLiteral("no catalogue"));
        QCOMPARE(box.lineEdit()->placeholderText(), QStringLiteral("no catalogue"));
        QCOMPARE(box.currentText(), QString());
    }

    void shownCode_data()
    {
        QTest::addColumn<int>("current");
        QTest::addColumn<QString>("typed");  // null: nothing typed
        QTest::addColumn<int>("code");
        QTest::newRow("current entry") << 1 << QString() << 23031;
        QTest::newRow("text typed over it") << 1 << "ED50 / UTM" << 0;
        QTest::newRow("text of another entry") << 0 << "ED50 / UTM zone 31N (23031)" << 23031;
        QTest::newRow("PROJ text") << 0 << "+proj=longlat" << 0;
        QTest::newRow("entry without a code") << 2 << QString() << 0;
    }
    void shownCode()
    {
        QFETCH(int, current);
        QFETCH(QString, typed);
        QFETCH(int, code);
        QComboBox box;
        box.setEditable(true);
        populateCrsComboBox(&box, {CrsDefinition(QStringLiteral("+proj=longlat"), 4326, QStringLiteral("WGS 84")),
                                   CrsDefinition(QStringLiteral("+proj=utm"), 23031, QStringLiteral("ED50 / UTM zone 31N"))});
        box.addItem(QStringLiteral("typed before"));
        box.setCurrentIndex(current);
        if (!typed.isNull())
            box.setEditText(typed);
        QCOMPARE(shownCrsCode(&box), code);
    }
};

QTEST_MAIN(TestCrsComboBox)
#include "tst_crscombobox.moc"
