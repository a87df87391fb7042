// The combo box helper shared by the reprojection dialog and the positioning
// import page.

#include "crscombobox.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QCompleter>
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
};

QTEST_MAIN(TestCrsComboBox)
#include "tst_crscombobox.moc"
