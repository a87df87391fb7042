// The main window driven offscreen through its actions and slots: loads that
// work and loads that fail, the summary, the textual header, saves in place
// and under another name, the pending-changes question, and changes other
// programs make to the loaded file. Results are checked in the file object
// and on disk.

#include "fixture.h"
#include "headerfields.h"
#include "headertablemodels.h"
#include "segy.h"
#include "textcards.h"
#include "textheaderedit.h"
#include "tracesort.h"
#include "windowsupport.h"

#include <QAction>
#include <QClipboard>
#include <QHeaderView>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTextBlock>
#include <QTextEdit>
#include <QToolBar>
#include <QtTest>
#include <cstdio>
#include <unistd.h>

Q_DECLARE_METATYPE(QMessageBox::StandardButton)

namespace {

constexpr int Samples = 4;
constexpr int TraceBytes = 240 + Samples * 4;
constexpr int Traces = 5;

// Byte offset of a trace header field in the test surveys (no extended headers).
qint64 traceOffset(int trace, int traceByte)
{
    return 3600 + qint64(trace) * TraceBytes + traceByte - 1;
}

SegyFixture survey(const QByteArray& text, bool ascii, int intervalUs, int traces = Traces,
                   QDataStream::ByteOrder order = QDataStream::BigEndian)
{
    SegyFixture f(order);
    f.text(text, ascii).geometry(Samples, 1, intervalUs);
    for (int t = 0; t < traces; ++t) {
        f.addTrace(Samples, 1, [t](int i) { return t + i * 0.5; });
        f.tr32(t, 1, t + 1);
        f.tr32(t, 189, 1000 + t);
    }
    return f;
}

// Another program writes the file anew and renames it over the loaded one,
// with field 189 of trace 2 changed.
bool replaceOnDisk(const QString& file, qint32 value)
{
    SegyFixture f = survey("C 1 OUTSIDE", false, 4000);
    f.tr32(2, 189, value);
    const QString next = file + QStringLiteral(".next");
    return f.writeTo(next) && std::rename(QFile::encodeName(next).constData(), QFile::encodeName(file).constData()) == 0;
}

QString reloadQuestion(const QString& file, bool pending)
{
    QString text = QStringLiteral("File changed on disk|%1 was changed on disk by another program. Reload it?").arg(file);
    if (pending)
        text += QStringLiteral(" Unsaved changes in the window are lost.");
    return text;
}

template <typename T>
T* child(MainWindow& window, const char* name)
{
    return window.findChild<T*>(QLatin1String(name));
}

}  // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QString writeSurvey(const QString& name, const SegyFixture& f)
    {
        const QString p = path(name);
        return f.writeTo(p) ? p : QString();
    }

    // Loaded state as the window shows it.
    static void verifyLoaded(MainWindow& w, bool loaded)
    {
        QCOMPARE(child<QTabWidget>(w, "tabWidget")->isEnabled(), loaded);
        QCOMPARE(child<QAction>(w, "actionSave")->isEnabled(), loaded);
        QCOMPARE(child<QAction>(w, "actionTrace_sort")->isEnabled(), loaded);
        QVERIFY(!w.hasPendingModification());
        auto* traces = child<QTableView>(w, "traceHeadersTableView")->model();
        auto* binary = child<QTableView>(w, "binaryHeaderTableView")->model();
        QCOMPARE(traces->rowCount(), w.segy()->traceCount());
        QCOMPARE(w.traceHeaderList()->count(), w.segy()->traceCount());
        QCOMPARE(binary->index(7, 0).data().isValid(), loaded);
    }

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void load_data()
    {
        QTest::addColumn<QString>("file");  // written here, or a name that does not exist
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<QStringList>("summary");
        QTest::addColumn<QString>("textStart");
        QTest::addColumn<QString>("box");  // "title|text" of the failure box

        QTest::newRow("EBCDIC header, 250 us")
            << writeSurvey("ebcdic.sgy", survey("C 1 EBCDIC SURVEY", false, 250)) << true << false
            << QStringList{"Sample interval: 0.25 ms", "Sampling freq.: 4 KHz", "Trace count: 5",
                           "Byte order: Big Endian", "Sample format: 4-byte IBM floating-point"}
            << "C 1 EBCDIC SURVEY" << QString();
        QTest::newRow("ASCII header, 4000 us, little-endian")
            << writeSurvey("ascii.sgy", survey("C 1 ASCII SURVEY", true, 4000, Traces, QDataStream::LittleEndian))
            << true << true << QStringList{"Sample interval: 4 ms", "Byte order: Little Endian"}
            << "C 1 ASCII SURVEY" << QString();
        QTest::newRow("no trace") << writeSurvey("headers-only.sgy", survey("C 1 EMPTY", false, 4000, 0)) << false
                                  << false << QStringList() << QString()
                                  << "Error loading file!|" + path("headers-only.sgy")
                                         + " is not a SEG-Y file: End of file reached before any trace header could "
                                           "be found in file.";
        QTest::newRow("cannot be opened") << path("missing.sgy") << false << false << QStringList() << QString()
                                          << "Error loading file!|No such file: " + path("missing.sgy");
        const QString locked = writeSurvey("locked.sgy", survey("C 1 LOCKED", false, 4000));
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QTest::newRow("not readable") << locked << false << false << QStringList() << QString()
                                      << "Error loading file!|Permission denied: " + locked;
    }

    void load()
    {
        QFETCH(QString, file);
        QFETCH(bool, loaded);
        QFETCH(bool, ascii);
        QFETCH(QStringList, summary);
        QFETCH(QString, textStart);
        QFETCH(QString, box);
        if (QTest::currentDataTag() == QLatin1String("not readable") && geteuid() == 0)
            QSKIP("every file is readable for root");

        MainWindow w;
        // A file is open first: a failed load must leave none of it reachable.
        QVERIFY(loadAndWait(w, writeSurvey("before.sgy", survey("C 1 BEFORE", false, 2000, 7))));
        verifyLoaded(w, true);
        child<QPushButton>(w, "editTextHeaderButton")->click();
        QTest::keyClicks(child<TextHeaderEdit>(w, "textHeaderEdit"), QStringLiteral("X"));
        QVERIFY(w.hasPendingModification());

        ModalAnswers answers;
        if (!box.isEmpty())
            answers.click(QMessageBox::Ok);
        QVERIFY(loadAndWait(w, file));
        QCOMPARE(answers.seen, box.isEmpty() ? QStringList() : QStringList{box});
        verifyLoaded(w, loaded);
        QCOMPARE(w.windowTitle(), loaded ? QStringLiteral("Trevalon - ") + file : QStringLiteral("Trevalon"));
        const QString shown = child<QTextEdit>(w, "summaryTextEdit")->toPlainText();
        for (const QString& line : summary)
            QVERIFY2(shown.contains(line), qPrintable(shown));
        if (loaded) {
            QCOMPARE(child<QRadioButton>(w, "asciiRadioButton")->isChecked(), ascii);
            QCOMPARE(child<QRadioButton>(w, "ebcdicRadioButton")->isChecked(), !ascii);
        }
        QVERIFY(child<TextHeaderEdit>(w, "textHeaderEdit")->toPlainText().startsWith(textStart));
        if (loaded)
            QVERIFY(child<QTextEdit>(w, "errorLogTextEdit")->toPlainText().contains(QLatin1String("No error detected.")));
    }

    // In-place saves: nothing pending, cancelled, written, and a file that
    // vanished so the save fails. The textual header, not edited here, keeps
    // its bytes exactly, a zero byte inside it included.
    void saveInPlace_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("vanish");
        QTest::addColumn<QStringList>("boxes");
        QTest::addColumn<bool>("pendingAfter");
        QTest::addColumn<int>("onDisk");
        const QString overwrite = QStringLiteral("Warning!|This file will be overwritten.");
        QTest::newRow("nothing pending") << false << QMessageBox::Ok << false
                                         << QStringList{"Info|No changes to save."} << false << 1002;
        QTest::newRow("cancelled") << true << QMessageBox::Cancel << false << QStringList{overwrite} << true << 1002;
        QTest::newRow("saved") << true << QMessageBox::Ok << false << QStringList{overwrite} << false << -7;
        QTest::newRow("file gone") << true << QMessageBox::Ok << true
                                   << QStringList{overwrite, "Error|Error saving file.\n%1\n"
                                                             "%1 cannot be locked for writing: No such file or "
                                                             "directory"}
                                   << true << INT_MIN;
    }

    void saveInPlace()
    {
        QFETCH(bool, edit);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, vanish);
        QFETCH(QStringList, boxes);
        QFETCH(bool, pendingAfter);
        QFETCH(int, onDisk);

        const QString file = writeSurvey("save.sgy", survey("C 1 SAVE ME", false, 4000));
        {
            QFile f(file);  // a zero byte in the middle of the textual header
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(500) && f.write("\0", 1) == 1);
        }
        const QByteArray before = fileBytes(file);
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        auto* traces = child<QTableView>(w, "traceHeadersTableView")->model();
        if (edit)
            QVERIFY(traces->setData(traces->index(2, traceHeaderFieldIndex(QStringLiteral("189"))), QStringLiteral("-7")));
        QCOMPARE(w.hasPendingModification(), edit);
        if (vanish)
            QVERIFY(QFile::remove(file));

        ModalAnswers answers;
        for (int i = 0; i < boxes.size(); ++i)
            answers.click(i == 0 ? answer : QMessageBox::Ok);
        if (edit && answer == QMessageBox::Ok)
            QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, "actionSave")->trigger(); }));
        else
            child<QAction>(w, "actionSave")->trigger();
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.join(QLatin1Char('#')), boxes.join(QLatin1Char('#')).replace(QLatin1String("%1"), file));
        QCOMPARE(w.hasPendingModification(), pendingAfter);
        QCOMPARE(valueOnDisk(file, traceOffset(2, 189), 4), onDisk);
        if (!vanish) {
            const QByteArray after = fileBytes(file);
            QCOMPARE(after.left(3200), before.left(3200));
            QCOMPARE(after.size(), before.size());
        } else {
            const QString log = child<QTextEdit>(w, "errorLogTextEdit")->toPlainText();
            QVERIFY(log.contains(QLatin1String("Error saving file.")));
            QVERIFY2(log.contains(QLatin1String("cannot be locked for writing")), qPrintable(log));
        }
    }

    // Save in place only when the layout accounts for every byte of the
    // file; looked at again with every load.
    void saveFollowsLayout_data()
    {
        QTest::addColumn<int>("cut");
        QTest::addColumn<QString>("reason");  // empty: the layout is certain
        QTest::newRow("sound") << 0 << QString();
        QTest::newRow("last trace cut short") << 10 << "the last trace is cut short: 10 bytes missing";
    }

    void saveFollowsLayout()
    {
        QFETCH(int, cut);
        QFETCH(QString, reason);
        SegyFixture f = survey("C 1 LAYOUT", false, 4000);
        f.truncateBy(cut);
        const QString file = writeSurvey("layout.sgy", f);
        MainWindow w;
        auto* save = child<QAction>(w, "actionSave");
        QWidget* button = child<QToolBar>(w, "mainToolBar")->widgetForAction(save);
        QVERIFY(button);
        // A sound file before and after: the state follows each load.
        for (const QString& loaded : {writeSurvey("sound.sgy", survey("C 1 SOUND", false, 4000)), file,
                                      path("sound.sgy")}) {
            QVERIFY(loadAndWait(w, loaded));
            QCOMPARE(w.currentFileName(), loaded);
            const bool certain = loaded != file || reason.isEmpty();
            QCOMPARE(save->isEnabled(), certain);
            QCOMPARE(button->isEnabled(), certain);
            QVERIFY(child<QAction>(w, "actionSave_as")->isEnabled());
            const QString tip = certain ? QStringLiteral("Save")
                                        : QStringLiteral("Error: the trace layout of %1 is not certain (%2); saving "
                                                         "in place could write into sample data. Save as a new "
                                                         "file instead.")
                                              .arg(file, reason);
            QCOMPARE(save->toolTip(), tip);
            QCOMPARE(button->toolTip(), tip);
        }
    }

    // Another program changes the loaded file: the window asks whether to
    // reload it. No keeps the window's values, and a save in place is then
    // refused with the file object's reason.
    void outsideChange_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("inPlace");  // written into the file, not replaced
        QTest::newRow("nothing pending, reload") << false << QMessageBox::Yes << false;
        QTest::newRow("written in place, reload") << false << QMessageBox::Yes << true;
        QTest::newRow("changes pending, reload") << true << QMessageBox::Yes << false;
        QTest::newRow("changes pending, kept; the save is refused") << true << QMessageBox::No << false;
    }

    void outsideChange()
    {
        QFETCH(bool, pending);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, inPlace);
        const QString file = writeSurvey("outside.sgy", survey("C 1 INSIDE", false, 4000));
        const int field = traceHeaderFieldIndex(QStringLiteral("189"));
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        auto* traces = child<QTableView>(w, "traceHeadersTableView")->model();
        if (pending)
            QVERIFY(traces->setData(traces->index(2, field), QStringLiteral("-7")));

        ModalAnswers answers;
        answers.click(answer);
        if (inPlace) {
            QTest::qWait(20);  // a later time of last write
            QFile f(file);
            QByteArray value(4, '\0');
            qToBigEndian<qint32>(555, reinterpret_cast<uchar*>(value.data()));
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(traceOffset(2, 189)) && f.write(value) == 4);
        } else {
            QVERIFY(replaceOnDisk(file, 555));
        }
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen, QStringList{reloadQuestion(file, pending)});
        if (answer == QMessageBox::Yes) {
            QTRY_COMPARE(w.segy()->traceHeaderValue(2, field), 555);
            QCOMPARE(traces->index(2, field).data(RawValueRole).toInt(), 555);
            QVERIFY(!w.hasPendingModification());
            QCOMPARE(w.currentFileName(), file);
            return;
        }
        QCOMPARE(w.segy()->traceHeaderValue(2, field), -7);
        QVERIFY(w.hasPendingModification());

        const QString reason =
            QStringLiteral("%1 was changed by another program since it was loaded; nothing was written.").arg(file);
        answers.seen.clear();
        answers.click(QMessageBox::Ok).click(QMessageBox::Ok);
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, "actionSave")->trigger(); }));
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen, (QStringList{"Warning!|This file will be overwritten.",
                                            "Error|Error saving file.\n" + file + "\n" + reason}));
        QCOMPARE(valueOnDisk(file, traceOffset(2, 189), 4), 555);
        const QString log = child<QTextEdit>(w, "errorLogTextEdit")->toPlainText();
        QVERIFY2(log.contains(reason), qPrintable(log));
        QCOMPARE(log.count(reason), 1);
    }

    // The window's own saves are no outside change; after a save as that
    // replaced the file, the new file is still watched.
    void ownSaveAsksNothing_data()
    {
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("in place") << false;
        QTest::newRow("save as onto the file") << true;
    }

    void ownSaveAsksNothing()
    {
        QFETCH(bool, saveAs);
        const QString file = writeSurvey("own.sgy", survey("C 1 OWN", false, 4000));
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        auto* traces = child<QTableView>(w, "traceHeadersTableView")->model();
        QVERIFY(traces->setData(traces->index(2, traceHeaderFieldIndex(QStringLiteral("189"))), QStringLiteral("-7")));

        ModalAnswers answers;
        if (saveAs)
            answers.choose(file).click(QMessageBox::Yes);  // the dialog's own "replace it?"
        else
            answers.click(QMessageBox::Ok);
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, saveAs ? "actionSave_as" : "actionSave")->trigger(); }));
        QCOMPARE(valueOnDisk(file, traceOffset(2, 189), 4), -7);
        QTRY_VERIFY(answers.allAnswered() && !QApplication::activeModalWidget());
        // Answers a question the save should not raise, and the one the
        // outside change below should.
        answers.click(QMessageBox::No);
        QTest::qWait(600);
        const QStringList own = answers.seen;
        QVERIFY2(!own.join(QLatin1Char('#')).contains(QLatin1String("changed on disk")), qPrintable(own.join('#')));

        QVERIFY(replaceOnDisk(file, 555));
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen.last(), reloadQuestion(file, saveAs));
    }

    // Save as onto the very file being edited: the edit lands, every other
    // byte stays, the window goes on with the same file and flag.
    void saveAsOntoEditedFile_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("written") << false;
        QTest::newRow("dialog cancelled") << true;
    }

    void saveAsOntoEditedFile()
    {
        QFETCH(bool, cancel);
        const QString file = writeSurvey("saveas.sgy", survey("C 1 SAVE AS", false, 4000));
        const QByteArray before = fileBytes(file);
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        auto* traces = child<QTableView>(w, "traceHeadersTableView")->model();
        QVERIFY(traces->setData(traces->index(4, traceHeaderFieldIndex(QStringLiteral("189"))), QStringLiteral("44")));

        ModalAnswers answers;
        answers.choose(cancel ? QString() : file);
        if (!cancel)
            answers.click(QMessageBox::Yes);  // the dialog's own "replace it?"
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, "actionSave_as")->trigger(); }));
        QCOMPARE(w.windowTitle(), QStringLiteral("Trevalon - ") + file);
        QVERIFY(w.hasPendingModification());
        QByteArray expected = before;
        if (!cancel)
            qToBigEndian<qint32>(44, reinterpret_cast<uchar*>(expected.data() + traceOffset(4, 189)));
        // The save fills mandatory binary fields left at 0; all else is kept.
        const QByteArray after = fileBytes(file);
        QCOMPARE(after.left(3200), expected.left(3200));
        QCOMPARE(after.mid(3600), expected.mid(3600));
    }

    void pendingQuestion_data()
    {
        QTest::addColumn<bool>("closing");
        QTest::addColumn<QMessageBox::StandardButton>("answer");
        QTest::addColumn<bool>("visibleAfter");
        QTest::addColumn<bool>("pendingAfter");
        QTest::newRow("close, yes") << true << QMessageBox::Yes << false << true;
        QTest::newRow("close, no") << true << QMessageBox::No << true << true;
        QTest::newRow("open, yes") << false << QMessageBox::Yes << true << true;
        QTest::newRow("open, no: the changes stay pending") << false << QMessageBox::No << true << true;
    }

    void pendingQuestion()
    {
        QFETCH(bool, closing);
        QFETCH(QMessageBox::StandardButton, answer);
        QFETCH(bool, visibleAfter);
        QFETCH(bool, pendingAfter);
        const QString file = writeSurvey("pending.sgy", survey("C 1 PENDING", false, 4000));
        MainWindow w;
        w.show();
        QVERIFY(loadAndWait(w, file));
        auto* binary = child<QTableView>(w, "binaryHeaderTableView")->model();
        QVERIFY(binary->setData(binary->index(0, 0), QStringLiteral("12")));

        ModalAnswers answers;
        answers.click(answer);
        if (!closing && answer == QMessageBox::Yes)
            answers.choose(QString());  // then the open dialog, cancelled
        if (closing)
            w.close();
        else
            child<QAction>(w, "actionOpen")->trigger();
        QTRY_VERIFY(answers.allAnswered());
        QCOMPARE(answers.seen, QStringList{"Pending changes|There are some pending modifications.\n"
                                           "Do you want to close this file anyway?"});
        QCOMPARE(w.isVisible(), visibleAfter);
        QCOMPARE(w.hasPendingModification(), pendingAfter);
        QCOMPARE(w.currentFileName(), file);
        QCOMPARE(w.segy()->mainHeaderValue(0), 12);
    }

    // An unlocked, edited header is written in the encoding chosen, by Save
    // and by Save as.
    void editedTextHeader_data()
    {
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<bool>("saveAs");
        QTest::newRow("EBCDIC") << false << false;
        QTest::newRow("ASCII") << true << false;
        QTest::newRow("EBCDIC, save as") << false << true;
    }

    void editedTextHeader()
    {
        QFETCH(bool, ascii);
        QFETCH(bool, saveAs);
        const QString file = writeSurvey("text.sgy", survey("C 1 OLD TEXT", false, 4000));
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        child<QPushButton>(w, "editTextHeaderButton")->click();
        QCOMPARE(child<QPushButton>(w, "editTextHeaderButton")->text(), QStringLiteral("Edit unlocked"));
        if (ascii)
            child<QRadioButton>(w, "asciiRadioButton")->click();
        auto* edit = child<TextHeaderEdit>(w, "textHeaderEdit");
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, QStringLiteral("C 1 NEW TEXT"));
        const QString target = saveAs ? file + QStringLiteral(".new.sgy") : file;
        ModalAnswers answers;
        if (saveAs)
            answers.choose(target);
        else
            answers.click(QMessageBox::Ok);
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, saveAs ? "actionSave_as" : "actionSave")->trigger(); }));
        const QByteArray expected = SegyFixture().text("C 1 NEW TEXT", ascii).bytes().left(3200);
        QCOMPARE(fileBytes(target).left(3200), expected);
    }

    // The textual header typed into key by key: whatever the keys, the header
    // stays 40 cards of 80 columns, the cards not typed into keep their
    // bytes, and the window shows after a save and a reload the cards the
    // command line's dump prints.
    void typedTextHeader_data()
    {
        QTest::addColumn<bool>("ascii");
        QTest::addColumn<int>("card");    // 0-based card and column of the cursor
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("keys");  // \n Enter, \b Backspace, \x7f Delete, \x16 paste of the clipboard
        QTest::addColumn<QString>("clipboard");
        QTest::addColumn<QStringList>("changes");  // "card:column:text" written over the cards

        for (bool ascii : {false, true}) {
            const QByteArray code = ascii ? " ASCII" : " EBCDIC";
            auto row = [&code](const char* name) -> QTestData& { return QTest::newRow((name + code).constData()); };
            row("past column 80") << ascii << 2 << 75 << QStringLiteral("ABCDEFGHIJ") << QString()
                                                   << QStringList{"2:75:ABCDE", "3:0:FGHIJ"};
            row("past card 40") << ascii << 39 << 77 << QStringLiteral("XYZW12") << QString()
                                                 << QStringList{"39:77:XYZ"};
            row("Enter") << ascii << 1 << 10 << QStringLiteral("AB\nCD\n\n") << QString()
                                          << QStringList{"1:10:AB", "2:0:CD"};
            row("Enter on the last card") << ascii << 39 << 0 << QStringLiteral("A\n\nB") << QString()
                                                           << QStringList{"39:0:AB"};
            row("Backspace") << ascii << 4 << 20 << QStringLiteral("\b\b\bQ") << QString()
                                              << QStringList{"4:17:Q  "};
            row("Backspace at a card's start") << ascii << 5 << 0 << QStringLiteral("\b\bR") << QString()
                                                                << QStringList{"5:0:R"};
            row("Delete") << ascii << 6 << 0 << QStringLiteral("\x7f\x7fS") << QString() << QStringList{"6:0:S "};
            row("paste")
                << ascii << 7 << 70 << QStringLiteral("\x16") << QStringLiteral("first line of the paste\nP2 ") + QString(100, QLatin1Char('x')) + QStringLiteral("\nP3")
                << QStringList{"7:70:first line", QStringLiteral("8:0:P2 ") + QString(77, QLatin1Char('x')), "9:0:P3"};
            row("paste at the last card") << ascii << 39 << 0 << QStringLiteral("\x16Z") << QStringLiteral("L1\nL2\nL3")
                                                           << QStringList{"39:0:L1Z"};
        }
    }

    void typedTextHeader()
    {
        QFETCH(bool, ascii);
        QFETCH(int, card);
        QFETCH(int, column);
        QFETCH(QString, keys);
        QFETCH(QString, clipboard);
        QFETCH(QStringList, changes);

        // Every card its own text to the last column, so any shift shows.
        QStringList cards;
        for (int i = 0; i < 40; ++i)
            cards.append(QStringLiteral("C%1 card %2 ").arg(i + 1, 2).arg(i + 1).leftJustified(80, QLatin1Char('a' + i % 26)));
        const QString file = writeSurvey("typed.sgy", survey(cards.join(QString()).toLatin1(), ascii, 4000));
        const QByteArray before = fileBytes(file).left(3200);
        QStringList expected = cards;
        for (const QString& change : changes) {
            const QStringList parts = change.split(QLatin1Char(':'));
            expected[parts[0].toInt()].replace(parts[1].toInt(), parts[2].size(), parts[2]);
        }

        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        auto* edit = child<TextHeaderEdit>(w, "textHeaderEdit");
        QCOMPARE(edit->toPlainText(), cards.join(QLatin1Char('\n')));
        child<QPushButton>(w, "editTextHeaderButton")->click();
        QTextCursor cursor(edit->document()->findBlockByNumber(card));
        cursor.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor, column);
        edit->setTextCursor(cursor);
        QApplication::clipboard()->setText(clipboard);
        for (const QChar key : keys) {
            if (key == QLatin1Char('\n'))
                QTest::keyClick(edit, Qt::Key_Return);
            else if (key == QLatin1Char('\b'))
                QTest::keyClick(edit, Qt::Key_Backspace);
            else if (key == QChar(0x7f))
                QTest::keyClick(edit, Qt::Key_Delete);
            else if (key == QChar(0x16))
                QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
            else
                QTest::keyClicks(edit, QString(key));
        }
        QCOMPARE(edit->document()->blockCount(), 40);
        QCOMPARE(edit->cards(), expected);
        QVERIFY(w.hasPendingModification());

        ModalAnswers answers;
        answers.click(QMessageBox::Ok);
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, "actionSave")->trigger(); }));
        QCOMPARE(answers.seen, QStringList{"Warning!|This file will be overwritten."});
        const QByteArray after = fileBytes(file).left(3200);
        QCOMPARE(textHeaderCards(after, ascii), expected);
        for (int i = 0; i < 40; ++i)
            if (expected[i] == cards[i])
                QVERIFY2(after.mid(i * 80, 80) == before.mid(i * 80, 80), qPrintable(QString::number(i)));
        QCOMPARE(edit->toPlainText(), expected.join(QLatin1Char('\n')));

        MainWindow reopened;
        QVERIFY(loadAndWait(reopened, file));
        QCOMPARE(child<TextHeaderEdit>(reopened, "textHeaderEdit")->toPlainText(),
                 textHeaderCards(after, ascii).join(QLatin1Char('\n')));
    }

    // Switching the encoding of the unlocked header is a change Save writes;
    // switching it while locked only reads the bytes another way.
    void textHeaderEncodingSwitch_data()
    {
        QTest::addColumn<bool>("fromAscii");
        QTest::addColumn<bool>("unlocked");
        QTest::newRow("EBCDIC to ASCII") << false << true;
        QTest::newRow("ASCII to EBCDIC") << true << true;
        QTest::newRow("EBCDIC read as ASCII, locked") << false << false;
    }

    void textHeaderEncodingSwitch()
    {
        QFETCH(bool, fromAscii);
        QFETCH(bool, unlocked);
        const QString file = writeSurvey("switch.sgy", survey("C 1 SWITCHED", fromAscii, 4000));
        const QByteArray before = fileBytes(file).left(3200);
        MainWindow w;
        QVERIFY(loadAndWait(w, file));
        if (unlocked)
            child<QPushButton>(w, "editTextHeaderButton")->click();
        child<QRadioButton>(w, fromAscii ? "ebcdicRadioButton" : "asciiRadioButton")->click();
        QCOMPARE(w.hasPendingModification(), unlocked);
        // A binary header edit makes the locked case savable too.
        if (!unlocked) {
            auto* binary = child<QTableView>(w, "binaryHeaderTableView")->model();
            QVERIFY(binary->setData(binary->index(0, 0), QStringLiteral("12")));
        }
        ModalAnswers answers;
        answers.click(QMessageBox::Ok);
        QVERIFY(waitForOperation(w, [&]() { child<QAction>(w, "actionSave")->trigger(); }));
        QCOMPARE(answers.seen, QStringList{"Warning!|This file will be overwritten."});
        if (!unlocked)
            QCOMPARE(w.segy()->mainHeaderValue(0), 12);
        const QByteArray after = fileBytes(file).left(3200);
        if (unlocked) {
            QCOMPARE(after, SegyFixture().text("C 1 SWITCHED", !fromAscii).bytes().left(3200));
            QCOMPARE(child<TextHeaderEdit>(w, "textHeaderEdit")->cards().first().trimmed(), QStringLiteral("C 1 SWITCHED"));
        } else {
            QCOMPARE(after, before);
        }
    }

    // The tables show whole texts: every column is at least as wide as its
    // title and the texts of the first and last rows.
    void columnsFitTheirTexts_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<bool>("decoded");
        QTest::newRow("binary, decoded") << "binaryHeaderTableView" << true;
        QTest::newRow("binary, numbers") << "binaryHeaderTableView" << false;
        QTest::newRow("traces, decoded") << "traceHeadersTableView" << true;
        QTest::newRow("traces, numbers") << "traceHeadersTableView" << false;
    }

    void columnsFitTheirTexts()
    {
        QFETCH(QString, table);
        QFETCH(bool, decoded);
        MainWindow w;
        QVERIFY(loadAndWait(w, writeSurvey("columns.sgy", survey("C 1 COLUMNS", false, 4000, 40))));
        if (!decoded) {
            child<QCheckBox>(w, "binHeaderRawDisplayCheckBox")->click();
            child<QCheckBox>(w, "traceHeaderRawDisplayCheckBox")->click();
        }
        auto* view = w.findChild<QTableView*>(table);
        QAbstractItemModel* model = view->model();
        QVERIFY(model->columnCount() > 1);
        const int font = view->fontMetrics().height();
        for (int column = 0; column < model->columnCount(); ++column) {
            const int width = view->columnWidth(column);
            const QString title = model->headerData(column, Qt::Horizontal).toString();
            QVERIFY2(width >= view->fontMetrics().horizontalAdvance(title), qPrintable(title));
            for (int row : {0, model->rowCount() - 1}) {
                const QString text = model->index(row, column).data().toString();
                QVERIFY2(width >= view->fontMetrics().horizontalAdvance(text) + font / 2,
                         qPrintable(QStringLiteral("%1 in %2 (%3 px)").arg(text, title).arg(width)));
            }
        }
    }

    // The file browser names the folder it shows.
    void browserShowsItsFolder()
    {
        MainWindow w;
        auto* label = child<QLabel>(w, "dirBrowserPathLabel");
        QCOMPARE(label->toolTip(), QDir::toNativeSeparators(QDir::homePath()));
        QCOMPARE(label->text().remove(QChar(0x200B)), label->toolTip());
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
