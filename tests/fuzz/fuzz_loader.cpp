// Feeds arbitrary bytes to the loader, once through an in-memory buffer and
// once through a file (which the loader maps in windows), then saves the
// result to a buffer. Checks the structural promises the loader makes on any
// input: it terminates, headers lie inside or just after the data, and the
// trace count is bounded by the file size.

#include "segy.h"

#include <QBuffer>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

void checkModel(const SEGY& segy, qint64 size)
{
    const int traces = segy.traceCount();
    check(traces <= size / 240 + 1);
    qint64 previous = -1;
    for (int i = 0; i < traces; ++i) {
        const SEGYTraceHeader* header = segy.traceHeaders().at(i);
        check(header != nullptr);
        check(header->filePosition >= 3600);
        check(header->filePosition < size);
        check(header->filePosition > previous);
        previous = header->filePosition;
    }
}

void exercise(QIODevice* device, qint64 size)
{
    SEGY segy;
    segy.setDevice(device);
    const bool loaded = segy.open();
    checkModel(segy, size);
    check(loaded == (segy.traceCount() > 0));

    if (segy.mainHeader()) {
        QBuffer out;
        segy.save(&out);
        // A header-only save of what was read must not change the trace count.
        check(segy.traceCount() >= 0);
    }
    segy.setDevice(nullptr);
}

// Qt's own warnings (seeks past the end of a buffer) are expected here and
// would only slow the run down.
void quiet(QtMsgType, const QMessageLogContext&, const QString&) {}

QString scratchFile()
{
    static QTemporaryDir dir;
    return dir.path() + QStringLiteral("/input.sgy");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool silenced = (qInstallMessageHandler(quiet), true);
    Q_UNUSED(silenced);
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));

    auto* buffer = new QBuffer;
    buffer->setData(bytes);
    exercise(buffer, bytes.size());

    const QString path = scratchFile();
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    exercise(new QFile(path), bytes.size());
    return 0;
}
