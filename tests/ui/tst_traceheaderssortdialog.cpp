// The trace sort dialog: the key list built through its buttons, search and
// direction editor, and what it hands back on OK.

#include "headerfields.h"
#include "traceheaderssortdialog.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

namespace {

QString keysText(const TraceHeadersSortDialog& dialog)
{
    QStringList parts;
    for (const TraceHeaderSortKey& key : *dialog.sortKeys())
        parts << QString::number(key.fieldIndex) + (key.ascending ? '+' : '-');
    return parts.join(' ');
}

}  // namespace

class TestTraceHeadersSortDialog : public QObject
{
    Q_OBJECT

private slots:
    void keyList_data()
    {
        // Steps: aN highlight field N and Add, /TEXT search, a Add the
        // highlighted field, e Return in the search field, sN make key N current, r Remove, c Clear, u Move
        // up, d Move down, v flip the current key's direction in its editor.
        // Keys as field and direction; enabled buttons among Add, Remove,
        // Clear, Up, Down.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("buttons");
        QTest::newRow("none") << "" << "" << "A";
        QTest::newRow("add two") << "a4 a6" << "4+ 6+" << "ARCU";
        QTest::newRow("same field twice") << "a4 a4" << "4+ 4+" << "ARCU";
        QTest::newRow("move up") << "a4 a6 a9 u" << "4+ 9+ 6+" << "ARCUD";
        QTest::newRow("move up first") << "a4 a6 s0 u" << "4+ 6+" << "ARCD";
        QTest::newRow("move down") << "a4 a6 a9 s0 d" << "6+ 4+ 9+" << "ARCUD";
        QTest::newRow("move down last") << "a4 a6 d" << "4+ 6+" << "ARCU";
        QTest::newRow("remove middle") << "a4 a6 a9 s1 r" << "4+ 9+" << "ARCU";
        QTest::newRow("remove twice") << "a4 a6 a9 s1 r r" << "4+" << "ARC";
        QTest::newRow("remove nothing") << "r" << "" << "A";
        QTest::newRow("clear") << "a4 a6 c" << "" << "A";
        QTest::newRow("descending") << "a4 v" << "4-" << "ARC";
        QTest::newRow("descending and back") << "a4 v v" << "4+" << "ARC";
        QTest::newRow("direction kept by moves") << "a4 a6 v u v" << "6+ 4+" << "ARCD";
        QTest::newRow("search elev") << "/ELEV a" << "12+" << "ARC";
        QTest::newRow("search and Return") << "a4 /elev e" << "4+ 12+" << "ARCU";
        QTest::newRow("search byte range") << "/73-76 a" << "21+" << "ARC";
        QTest::newRow("search finds nothing") << "/nothing a" << "" << "";
    }
    void keyList()
    {
        QFETCH(QString, steps);
        TraceHeadersSortDialog dialog;
        dialog.show();
        auto* table = dialog.findChild<QTableView*>(QStringLiteral("selectedTableView"));
        auto* list = dialog.findChild<QListView*>(QStringLiteral("availableListView"));
        auto* search = dialog.findChild<QLineEdit*>(QStringLiteral("searchLineEdit"));
        QAbstractItemModelTester tester(table->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        const auto button = [&](const char* name) {
            return dialog.findChild<QPushButton*>(QLatin1String(name));
        };
        for (const QString& step : steps.split(' ', Qt::SkipEmptyParts)) {
            const QString arg = step.mid(1);
            switch (step.at(0).toLatin1()) {
            case 'a':
                if (!arg.isEmpty())
                    list->setCurrentIndex(list->model()->index(arg.toInt(), 0));
                button("addButton")->click();
                break;
            case '/':
                QTest::keyClicks(search, arg);
                break;
            case 'e':
                QTest::keyClick(search, Qt::Key_Return);
                break;
            case 's': table->setCurrentIndex(table->model()->index(arg.toInt(), 0)); break;
            case 'r': button("removeButton")->click(); break;
            case 'c': button("clearButton")->click(); break;
            case 'u': button("moveUpButton")->click(); break;
            case 'd': button("moveDownButton")->click(); break;
            case 'v': {
                // The editor opens on the key's own direction; one step
                // down or up picks the other one.
                const QModelIndex mode = table->currentIndex().siblingAtColumn(1);
                table->edit(mode);
                auto* box = qobject_cast<QComboBox*>(table->indexWidget(mode));
                QVERIFY(box);
                QCOMPARE(box->currentText(), mode.data().toString());
                QTest::keyClick(box, box->currentIndex() == 0 ? Qt::Key_Down : Qt::Key_Up);
                QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
                QVERIFY(!table->indexWidget(mode));
                break;
            }
            }
        }
        QTEST(keysText(dialog), "keys");
        QVERIFY(dialog.isVisible());
        QString enabled;
        for (auto name : {"addButton", "removeButton", "clearButton", "moveUpButton", "moveDownButton"})
            if (button(name)->isEnabled())
                enabled += QChar::fromLatin1(name[name[0] == 'm' ? 4 : 0]).toUpper();
        QTEST(enabled, "buttons");
    }

    void keyTable()
    {
        TraceHeadersSortDialog dialog;
        auto* list = dialog.findChild<QListView*>(QStringLiteral("availableListView"));
        QCOMPARE(list->model()->rowCount(), TraceHeaderFieldCount);
        QCOMPARE(list->model()->index(4, 0).data().toString(), QStringLiteral("[17-20] - Energy source point number."));
        list->setCurrentIndex(list->model()->index(4, 0));
        dialog.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
        const QAbstractItemModel* keys = dialog.findChild<QTableView*>(QStringLiteral("selectedTableView"))->model();
        QCOMPARE(keys->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Field"));
        QCOMPARE(keys->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Mode"));
        QCOMPARE(keys->index(0, 0).data().toString(), QStringLiteral("17-20"));
        QCOMPARE(keys->index(0, 1).data().toString(), QStringLiteral("Ascending"));
        saveSnapshot(dialog);
    }

    void okButton_data()
    {
        QTest::addColumn<bool>("withKey");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("result");
        QTest::newRow("no keys") << false << "Warning!: No data to sort by!" << int(QDialog::Rejected);
        QTest::newRow("one key") << true << "" << int(QDialog::Accepted);
    }
    void okButton()
    {
        QFETCH(bool, withKey);
        TraceHeadersSortDialog dialog;
        if (withKey)
            dialog.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
        dialog.show();
        QString warning;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                warning = box->windowTitle() + ": " + box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(10);
        dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"))->button(QDialogButtonBox::Ok)->click();
        QTEST(warning, "warning");
        QTEST(dialog.result(), "result");
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.sortKeys()->size(), withKey ? 1 : 0);
    }

private:
    static void saveSnapshot(TraceHeadersSortDialog& dialog)
    {
        const QString dir = qEnvironmentVariable("TREVALON_SNAPSHOT_DIR");
        if (dir.isEmpty())
            return;
        auto* list = dialog.findChild<QListView*>(QStringLiteral("availableListView"));
        list->setCurrentIndex(list->model()->index(25, 0));
        dialog.findChild<QPushButton*>(QStringLiteral("addButton"))->click();
        auto* table = dialog.findChild<QTableView*>(QStringLiteral("selectedTableView"));
        table->model()->setData(table->model()->index(1, 1), QStringLiteral("Descending"));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        table->edit(table->model()->index(1, 1));
        QVERIFY(dialog.grab().save(dir + QStringLiteral("/traceheaderssortdialog.png")));
    }
};

QTEST_MAIN(TestTraceHeadersSortDialog)
#include "tst_traceheaderssortdialog.moc"
