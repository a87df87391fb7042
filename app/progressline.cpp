#include "progressline.h"

#include "segy.h"

#include <QCoreApplication>
#include <QtGlobal>
#include <cstdio>
#include <unistd.h>

namespace {

struct State {
    bool enabled = false;
    bool shown = false;
};

State& state()
{
    static State s;
    return s;
}

QString tr(const char* text)
{
    return QCoreApplication::translate("ProgressLine", text);
}

}  // namespace

void ProgressLine::enable(bool quiet)
{
    state().enabled = !quiet && isatty(fileno(stderr)) == 1;
}

void ProgressLine::follow(SEGY& segy, const QString& editLabel)
{
    if (!state().enabled)
        return;
    QObject::connect(&segy, &SEGY::loadStarted, [] { show(tr("Loading"), 0); });
    QObject::connect(&segy, &SEGY::loadProgress, [](int percent) { show(tr("Loading"), percent); });
    QObject::connect(&segy, &SEGY::ioOperationCompleted, &ProgressLine::clear);
    QObject::connect(&segy, &SEGY::saveStarted, [] { show(tr("Saving"), 0); });
    QObject::connect(&segy, &SEGY::saveProgress, [](int percent) { show(tr("Saving"), percent); });
    QObject::connect(&segy, &SEGY::saveCompleted, &ProgressLine::clear);
    const QString label = editLabel.isEmpty() ? tr("Updating headers") : editLabel;
    QObject::connect(&segy, &SEGY::editStarted, [label] { show(label, 0); });
    QObject::connect(&segy, &SEGY::editProgress, [label](int percent) { show(label, percent); });
    QObject::connect(&segy, &SEGY::editCompleted, &ProgressLine::clear);
}

void ProgressLine::show(const QString& label, int percent)
{
    State& s = state();
    if (!s.enabled)
        return;
    const QByteArray text = QStringLiteral("%1 %2%").arg(label).arg(qBound(0, percent, 100)).toLocal8Bit();
    // Back to the start of the line, the text, then erase what an older,
    // longer text left.
    std::fprintf(stderr, "\r%s\033[K", text.constData());
    std::fflush(stderr);
    s.shown = true;
}

void ProgressLine::clear()
{
    State& s = state();
    if (!s.shown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    s.shown = false;
}
