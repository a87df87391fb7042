#include "manyfiles.h"

#include "command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <vector>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ManyFiles", text);
}

// The value of option name at arguments[*i] ("--name VALUE" or
// "--name=VALUE"; "-jN" for the short jobs option); *i moves past it.
bool optionValue(const QStringList& arguments, int* i, const QStringList& names, QString* value)
{
    const QString& argument = arguments.at(*i);
    for (const QString& name : names) {
        if (argument == name) {
            *value = arguments.value(++*i);
            return true;
        }
        if (argument.startsWith(name + QLatin1Char('=')) || (name == QLatin1String("-j") && argument.startsWith(name))) {
            *value = argument.mid(name.size() + (argument.at(name.size()) == QLatin1Char('=') ? 1 : 0));
            return true;
        }
    }
    return false;
}

QStringList readFileList(const QString& list, QString* error)
{
    QFile file;
    const bool opened = list == QLatin1String("-") ? file.open(stdin, QIODevice::ReadOnly)
                                                   : (file.setFileName(list), file.open(QIODevice::ReadOnly));
    QByteArray bytes;
    if (opened)
        bytes = file.readAll();
    if (!opened || file.error() != QFileDevice::NoError) {
        *error = tr("Error: could not read the file list %1 (%2).").arg(list, file.errorString());
        return {};
    }
    QStringList files;
    for (QByteArray line : bytes.replace('\r', '\n').split('\n'))
        if (!line.trimmed().isEmpty())
            files.append(QString::fromLocal8Bit(line.trimmed()));
    return files;
}

// Whether the command takes --json itself; for one that does not, --json
// only asks for the per-file JSON lines.
bool commandTakesJson(const QString& command)
{
    for (const auto& candidate : createCommands()) {
        if (candidate->name() != command)
            continue;
        QCommandLineParser parser;
        candidate->addOptions(parser);
        return parser.parse({QString(), QStringLiteral("--json")});
    }
    return false;
}

struct FileRun {
    QString path;
    std::unique_ptr<QProcess> process;
    bool done = false;
    bool ok = false;
    QByteArray out;
    QByteArray err;
};

bool writeOut(FILE* stream, const QByteArray& bytes)
{
    return bytes.isEmpty() || std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream) == size_t(bytes.size());
}

QByteArray jsonLine(const FileRun& run, bool commandJson)
{
    QJsonObject line;
    line.insert(QStringLiteral("path"), run.path);
    line.insert(QStringLiteral("ok"), run.ok);
    const QJsonDocument result = commandJson ? QJsonDocument::fromJson(run.out) : QJsonDocument();
    if (result.isObject())
        line.insert(QStringLiteral("result"), result.object());
    else if (result.isArray())
        line.insert(QStringLiteral("result"), result.array());
    else if (!run.out.isEmpty())
        line.insert(QStringLiteral("output"), QString::fromLocal8Bit(run.out));
    QJsonArray errors;
    for (const QByteArray& message : run.err.split('\n'))
        if (!message.trimmed().isEmpty())
            errors.append(QString::fromLocal8Bit(message));
    if (!errors.isEmpty())
        line.insert(QStringLiteral("messages"), errors);
    return QJsonDocument(line).toJson(QJsonDocument::Compact) + '\n';
}

}  // namespace

bool ManyFilesRun::fromArguments(const QStringList& arguments, const QStringList& commandNames, ManyFilesRun* run)
{
    ManyFilesRun found;
    QStringList before;  // options before the command, passed on
    QString command;
    for (int i = 1; i < arguments.size(); ++i) {
        QString value;
        if (optionValue(arguments, &i, {QStringLiteral("--files")}, &value)) {
            found.filesList = value;
            if (value.isEmpty())
                found.error = tr("Error: --files needs a file list (one path a line, - for standard input).");
        } else if (optionValue(arguments, &i, {QStringLiteral("--jobs"), QStringLiteral("-j")}, &value)) {
            bool number = false;
            found.jobs = value.toInt(&number);
            if (!number || found.jobs < 1)
                found.error = tr("Error: %1 is not a valid number of jobs.").arg(value);
        } else if (!command.isEmpty()) {
            found.fileArguments.append(arguments.at(i));
        } else if (commandNames.contains(arguments.at(i))) {
            command = arguments.at(i);
        } else if (arguments.at(i).startsWith(QLatin1Char('-')) && arguments.at(i) != QLatin1String("-")) {
            before.append(arguments.at(i));
        } else {
            found.files.append(arguments.at(i));
        }
    }
    // Without a list, many files are plain words before a command: with an
    // option among them, a word may be its value, so that is the single-file
    // syntax, whose parser says what is wrong.
    if (found.filesList.isEmpty() && (found.files.size() < 2 || command.isEmpty() || !before.isEmpty()))
        return false;
    if (command.isEmpty() && found.error.isEmpty())
        found.error = tr("Error: no command given for the files (one of %1).").arg(commandNames.join(QStringLiteral(", ")));
    found.json = found.fileArguments.contains(QStringLiteral("--json"));
    // An output named once would be written by every file, each over the last.
    for (const QString& argument : found.fileArguments)
        for (const char* option : {"--saveas", "--ascii-out", "--map"})
            if (found.error.isEmpty()
                && (argument == QLatin1String(option) || argument.startsWith(QLatin1String(option) + QLatin1Char('='))))
                found.error = tr("Error: %1 names one output file, which every file would overwrite; run the "
                                 "command on one file at a time for it.")
                                  .arg(QLatin1String(option));
    found.fileArguments = QStringList{command} + before + found.fileArguments;
    *run = found;
    return true;
}

int runManyFiles(ManyFilesRun run)
{
    if (run.error.isEmpty() && !run.filesList.isEmpty())
        run.files += readFileList(run.filesList, &run.error);
    if (run.error.isEmpty() && run.files.isEmpty())
        run.error = tr("Error: the file list %1 names no file.").arg(run.filesList);
    if (!run.error.isEmpty()) {
        qDebug() << run.error;
        return 1;
    }
    const bool commandJson = commandTakesJson(run.fileArguments.value(0));
    if (run.json && !commandJson)
        run.fileArguments.removeAll(QStringLiteral("--json"));
    const int jobs = run.jobs > 0 ? run.jobs : std::max(1, QThread::idealThreadCount());

    std::vector<FileRun> runs(size_t(run.files.size()));
    QEventLoop loop;
    size_t started = 0, printed = 0;
    int running = 0, failed = 0;
    bool written = true;
    int writeError = 0;  // the system's reason of the first failed write
    // Output goes out in the order of the files, each file's as a whole.
    auto printFinished = [&]() {
        for (; printed < runs.size() && runs[printed].done; ++printed) {
            const FileRun& done = runs[printed];
            if (run.json) {
                written = writeOut(stdout, jsonLine(done, commandJson)) && written;
                if (!written && writeError == 0)
                    writeError = errno;
            } else {
                written = writeOut(stdout, "==> " + done.path.toLocal8Bit() + " <==\n") && writeOut(stdout, done.out)
                          && written;
                if (std::fflush(stdout) != 0 && writeError == 0)
                    writeError = errno;
                // Messages name their file, as they may go elsewhere than the output.
                for (const QByteArray& message : done.err.split('\n'))
                    if (!message.isEmpty())
                        writeOut(stderr, done.path.toLocal8Bit() + ": " + message + '\n');
            }
        }
    };
    std::function<void()> startNext = [&]() {
        while (running < jobs && started < runs.size()) {
            FileRun& next = runs[started++];
            next.path = run.files.at(int(&next - runs.data()));
            next.process = std::make_unique<QProcess>();
            QProcess* process = next.process.get();
            process->setStandardInputFile(QProcess::nullDevice());
            QObject::connect(process, &QProcess::readyReadStandardOutput, [&next]() { next.out += next.process->readAllStandardOutput(); });
            QObject::connect(process, &QProcess::readyReadStandardError, [&next]() { next.err += next.process->readAllStandardError(); });
            auto finish = [&, process, file = &next](bool ok, const QString& why) {
                if (file->done)
                    return;
                file->out += process->readAllStandardOutput();
                file->err += process->readAllStandardError();
                if (!why.isEmpty())
                    file->err += why.toLocal8Bit() + '\n';
                file->done = true;
                file->ok = ok;
                failed += ok ? 0 : 1;
                --running;
                printFinished();
                startNext();
                if (running == 0 && started == runs.size())
                    loop.quit();
            };
            QObject::connect(process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished),
                             [finish, process](int code, QProcess::ExitStatus status) {
                                 finish(status == QProcess::NormalExit && code == 0,
                                        status == QProcess::NormalExit ? QString() : tr("Error: the command ended abnormally (%1).").arg(process->errorString()));
                             });
            QObject::connect(process, &QProcess::errorOccurred, [finish, process](QProcess::ProcessError error) {
                if (error == QProcess::FailedToStart)
                    finish(false, tr("Error: could not start the command (%1).").arg(process->errorString()));
            });
            ++running;
            process->start(QCoreApplication::applicationFilePath(), QStringList{next.path} + run.fileArguments);
        }
    };
    startNext();
    if (printed < runs.size())
        loop.exec();
    if (std::fflush(stdout) != 0 && writeError == 0)
        writeError = errno;
    written = writeError == 0 && !std::ferror(stdout) && written;
    if (!written)
        qDebug() << tr("Error: could not write to standard output: %1.")
                        .arg(writeError ? QString::fromLocal8Bit(std::strerror(writeError)) : tr("the stream failed"));
    if (failed > 0)
        qDebug() << tr("Error: %1 of %2 files failed.").arg(failed).arg(runs.size());
    return failed > 0 || !written ? 1 : 0;
}
