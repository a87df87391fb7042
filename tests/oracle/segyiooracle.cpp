#include "segyiooracle.h"

#include <QJsonDocument>
#include <QProcess>
#include <QProcessEnvironment>

QJsonObject segyioDump(const QString& path, bool littleEndian)
{
    QString python = QProcessEnvironment::systemEnvironment().value(QStringLiteral("TREVALON_PYTHON"));
    if (python.isEmpty())
        python = QStringLiteral("/usr/bin/python3");
    QProcess process;
    process.start(python, {QStringLiteral(TREVALON_ORACLE_SCRIPT), path,
                           littleEndian ? QStringLiteral("little") : QStringLiteral("big")});
    QJsonObject failed{{QStringLiteral("ok"), false}};
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        failed.insert(QStringLiteral("error"), QStringLiteral("segyio did not finish"));
        return failed;
    }
    const QJsonDocument document = QJsonDocument::fromJson(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit || !document.isObject()) {
        failed.insert(QStringLiteral("error"),
                      QStringLiteral("segyio died: ") + QString::fromLocal8Bit(process.readAllStandardError()).trimmed());
        return failed;
    }
    return document.object();
}
