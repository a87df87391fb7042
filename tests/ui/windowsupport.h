#pragma once

// Driving the main window offscreen: answering its modal boxes and file
// dialogs from a timer, waiting for its file operations, reading results
// back from disk byte by byte.

#include "mainwindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QTimer>
#include <QtEndian>
#include <functional>

// Answers the modal widgets that show up, in order, one answer each, and
// records every message box as "title|text".
class ModalAnswers : public QObject
{
public:
    using Answer = std::function<void(QWidget*)>;

    ModalAnswers()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswers::poll);
        m_timer.start(10);
    }

    void then(const Answer& answer) { m_answers.append(answer); }
    ModalAnswers& click(QMessageBox::StandardButton button)
    {
        then([this, button](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return;
            seen.append(box->windowTitle() + QLatin1Char('|') + box->text());
            box->button(button)->click();
        });
        return *this;
    }
    // A file dialog takes the path (empty: cancelled).
    ModalAnswers& choose(const QString& path)
    {
        then([path](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            if (!dialog)
                return;
            if (path.isEmpty()) {
                dialog->reject();
            } else {
                // Typed as a user would: selecting a file the dialog has not
                // listed yet leaves the name field empty.
                dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText(path);
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        return *this;
    }
    bool allAnswered() const { return m_answers.isEmpty(); }

    QStringList seen;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || m_answers.isEmpty() || modal == m_answering)
            return;
        // Answered from its own call: an answer may open the next modal
        // (a dialog's own question), which this timer must still see.
        m_answering = modal;
        const Answer answer = m_answers.takeFirst();
        QTimer::singleShot(0, this, [this, answer, modal = QPointer<QWidget>(modal)]() {
            if (modal)
                answer(modal);
            if (m_answering == modal)
                m_answering = nullptr;
        });
    }

    QTimer m_timer;
    QList<Answer> m_answers;
    QPointer<QWidget> m_answering;
};

// Runs one file operation of the window and waits until it has ended.
inline bool waitForOperation(MainWindow& window, const std::function<void()>& start)
{
    QSignalSpy finished(&window, &MainWindow::operationFinished);
    start();
    return finished.count() > 0 || finished.wait(20000);
}

inline bool loadAndWait(MainWindow& window, const QString& path)
{
    return waitForOperation(window, [&]() { window.loadFile(path); });
}

// A big-endian 2- or 4-byte value at a file offset.
inline qint32 valueOnDisk(const QString& path, qint64 offset, int width)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || !file.seek(offset))
        return INT_MIN;
    const QByteArray bytes = file.read(width);
    if (bytes.size() != width)
        return INT_MIN;
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    return width == 4 ? qFromBigEndian<qint32>(p) : qFromBigEndian<qint16>(p);
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
