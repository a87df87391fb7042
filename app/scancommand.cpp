// The "scan" command: which trace header bytes hold the inline, crossline,
// coordinates, offset and shot point, printed with a confidence each and as
// a layout file ready for --layout.

#include "command.h"
#include "commandsupport.h"
#include "headerscan.h"
#include "segy.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ScanCommand", text);
}

class ScanCommand : public Command
{
public:
    ScanCommand()
        : Command("scan", QT_TRANSLATE_NOOP("QObject", "Suggest which trace header bytes hold inline, crossline, "
                                                       "coordinates, offset and shot point."))
    {
    }

    void addOptions(QCommandLineParser& parser) const override
    {
        parser.addOption({QStringLiteral("json"),
                          QStringLiteral("Print the suggestion as a layout file (JSON) with the findings in it.")});
    }

    bool readOptions(const QCommandLineParser& parser, QString*) override
    {
        m_json = parser.isSet(QStringLiteral("json"));
        return true;
    }

    bool run(const QString& fileName, const ErrorSink& error) override
    {
        return readFile(fileName, error, [this, &fileName](SEGY& segy) {
            print(segy, fileName, scanTraceHeaders(segy));
            return true;
        });
    }

private:
    void print(const SEGY& segy, const QString& fileName, const ScanResult& result) const
    {
        const QByteArray layout = result.layout().toJson();
        if (m_json) {
            // A layout file the loader reads as it is; it skips the findings.
            QJsonObject root = QJsonDocument::fromJson(layout).object();
            QJsonArray findings;
            for (const ScanSuggestion& s : result.suggestions)
                findings.append(QJsonObject{{QStringLiteral("role"), s.role},
                                            {QStringLiteral("byte"), s.field.startByte},
                                            {QStringLiteral("type"), valueTypeName(s.field.type)},
                                            {QStringLiteral("confidence"), s.confidence},
                                            {QStringLiteral("evidence"), s.evidence}});
            root.insert(QStringLiteral("scan"), QJsonObject{{QStringLiteral("file"), fileName},
                                                            {QStringLiteral("traceCount"), segy.traceCount()},
                                                            {QStringLiteral("tracesJudged"), result.tracesJudged},
                                                            {QStringLiteral("findings"), findings}});
            std::fputs(QJsonDocument(root).toJson(QJsonDocument::Indented).constData(), stdout);
            return;
        }
        printLine(stdout, tr("File: %1").arg(fileName));
        printLine(stdout, tr("Patterns judged on the first %1 of %2 traces, then checked over every trace.")
                              .arg(result.tracesJudged)
                              .arg(segy.traceCount()));
        if (result.suggestions.isEmpty())
            printLine(stdout, tr("No field was recognised."));
        for (const ScanSuggestion& s : result.suggestions)
            printLine(stdout, QStringLiteral("%1 %2 %3 %4  %5")
                                  .arg(s.role, -10)
                                  .arg(s.field.label(), -8)
                                  .arg(valueTypeName(s.field.type), -7)
                                  .arg(s.confidence, -6)
                                  .arg(s.evidence));
        printLine(stdout, QString());
        printLine(stdout, tr("Layout file:"));
        std::fputs(layout.constData(), stdout);
    }

    bool m_json = false;
};

}  // namespace

std::unique_ptr<Command> createScanCommand()
{
    return std::make_unique<ScanCommand>();
}
