#include "clitest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

QJsonObject parseJson(const Result& r)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(r.rawOut, &error);
    if (error.error != QJsonParseError::NoError)
        qWarning() << error.errorString() << r.rawOut.left(500);
    return document.object();
}

QStringList lines(const QByteArray& bytes)
{
    QStringList result = QString::fromUtf8(bytes).split(QLatin1Char('\n'));
    if (!result.isEmpty() && result.last().isEmpty())
        result.removeLast();
    return result;
}

QString quoted(const QString& message)
{
    return QLatin1Char('"') + message + QLatin1Char('"');
}

QStringList quotedAll(const QStringList& messages)
{
    QStringList result;
    for (const QString& m : messages)
        result.append(quoted(m));
    return result;
}

QString binDir()
{
    return QString::fromLocal8Bit(qgetenv("TREVALON_BIN_DIR"));
}

QString executable()
{
    return binDir() + QStringLiteral("/trevalon");
}

Result runProgram(const QStringList& arguments, const QString& program, const QString& workingDirectory,
                  const QString& outputFile)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_MESSAGE_PATTERN", "QT_LOGGING_RULES"})
        env.remove(QLatin1String(name));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    QProcess process;
    process.setProcessEnvironment(env);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    if (!outputFile.isEmpty())
        process.setStandardOutputFile(outputFile);
    process.start(program, arguments);
    Result result;
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1))
        return result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.rawOut = process.readAllStandardOutput();
    result.out = lines(result.rawOut);
    result.err = lines(process.readAllStandardError());
    return result;
}

int originalTraceValue(int traceByte, int trace)
{
    switch (traceByte) {
    case 1: return trace + 1;
    case 29: return 1;
    case 189: return 100 + trace;
    case 193: return -50 * trace;
    case 115: return 4;
    default: return 0;
    }
}

SegyFixture surveyFixture(QDataStream::ByteOrder order, int traces)
{
    SegyFixture f(order);
    f.text("C 1 TEST SURVEY").geometry(4, 1, 4000);
    for (int t = 0; t < traces; ++t) {
        f.addTrace(4, 1, [t](int i) { return t * 10.0 + i + 0.5; });
        f.tr32(t, 1, originalTraceValue(1, t));
        f.tr16(t, 29, qint16(originalTraceValue(29, t)));
        f.tr32(t, 189, originalTraceValue(189, t));
        f.tr32(t, 193, originalTraceValue(193, t));
    }
    return f;
}

Oracle readWithSegyio(const QString& path, const QList<int>& binBytes, const QList<int>& traceBytes,
                      bool littleEndian)
{
    static const char* script = R"(
import json, sys, segyio
path, bb, tb, endian = sys.argv[1], json.loads(sys.argv[2]), json.loads(sys.argv[3]), sys.argv[4]
with segyio.open(path, ignore_geometry=True, endian=endian) as f:
    out = {"bin": [f.bin[b] for b in bb],
           "tr": [[h[b] for b in tb] for h in f.header],
           "samples": [[float(v) for v in t] for t in f.trace]}
print(json.dumps(out))
)";
    auto toJson = [](const QList<int>& list) {
        QJsonArray a;
        for (int v : list)
            a.append(v);
        return QString::fromUtf8(QJsonDocument(a).toJson(QJsonDocument::Compact));
    };
    Oracle oracle;
    QProcess python;
    python.start(QString::fromLocal8Bit(qgetenv("TREVALON_PYTHON")),
                 {QStringLiteral("-c"), QString::fromUtf8(script), path, toJson(binBytes), toJson(traceBytes),
                  littleEndian ? QStringLiteral("little") : QStringLiteral("big")});
    if (!python.waitForFinished(-1) || python.exitCode() != 0) {
        oracle.error = QString::fromUtf8(python.readAllStandardError());
        return oracle;
    }
    const QJsonObject o = QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    const QJsonArray bin = o.value(QStringLiteral("bin")).toArray();
    for (int i = 0; i < binBytes.size(); ++i)
        oracle.bin.insert(binBytes[i], bin.at(i).toInt());
    for (const QJsonValue& row : o.value(QStringLiteral("tr")).toArray()) {
        QMap<int, int> fields;
        const QJsonArray values = row.toArray();
        for (int i = 0; i < traceBytes.size(); ++i)
            fields.insert(traceBytes[i], values.at(i).toInt());
        oracle.traces.append(fields);
    }
    for (const QJsonValue& row : o.value(QStringLiteral("samples")).toArray()) {
        QList<double> values;
        for (const QJsonValue& v : row.toArray())
            values.append(v.toDouble());
        oracle.samples.append(values);
    }
    oracle.ok = true;
    return oracle;
}

