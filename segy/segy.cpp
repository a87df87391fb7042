#include "segy.h"

#include "outputfile.h"
#include "samplecodec.h"
#include "textcodec.h"

#include <QFile>
#include <QtEndian>
#include <unordered_map>
#include <vector>

SEGY::SEGY(QIODevice* device, QObject* parent)
    : QObject(parent), m_device(device)
{
    if (m_device)
        load(m_device);
}

SEGY::~SEGY()
{
    // The device is owned whether or not a load ever succeeded on it.
    delete m_device;
    clear();
}

void SEGY::clear()
{
    emit headersReleasing();
    m_file.clear();
    setModified(false);
}

bool SEGY::close()
{
    if (isLoaded()) {
        delete m_device;
        m_device = nullptr;
        clear();
    }
    return true;
}

void SEGY::setDevice(QIODevice* device)
{
    if (device != m_device)
        delete m_device;
    m_device = device;
}

void SEGY::setModified(bool modified)
{
    if (modified != m_modified) {
        m_modified = modified;
        emit modifiedChanged(modified);
    }
}

void SEGY::emitMessages(const QStringList& messages)
{
    for (const QString& message : messages)
        emit errorMessage(message);
}

bool SEGY::open()
{
    if (isLoaded())
        clear();
    if (!m_device)
        return false;
    return load(m_device);
}

bool SEGY::load(QIODevice* device)
{
    emit loadStarted();
    clear();
    const FileResult result = loadSegyFile(device, &m_file, [this](int percent) { emit loadProgress(percent); });
    emitMessages(result.messages);
    if (result.noTrace)
        emit errorLoading();
    if (result.ok)
        emit loadCompleted();
    else
        emit errorMessage(tr("Error loading segy."));
    emit ioOperationCompleted();
    return result.ok;
}

bool SEGY::save()
{
    emit saveStarted();
    const FileResult result = saveSegyFileInPlace(m_device, &m_file, [this](int percent) { emit saveProgress(percent); });
    if (result.ok)
        setModified(false);
    return saveDone(result);
}

bool SEGY::save(QIODevice* destDevice)
{
    emit saveStarted();
    return saveDone(saveSegyFileAs(m_device, destDevice, &m_file, [this](int percent) { emit saveProgress(percent); }));
}

bool SEGY::saveDone(const FileResult& result)
{
    emitMessages(result.messages);
    emit saveCompleted();
    if (!result.ok)
        emit errorMessage(tr("Error saving file."));
    return result.ok;
}

TraceTextResult SEGY::exportTraceHeaders(QIODevice* device, const QString& separator)
{
    if (!isLoaded())
        return TraceTextResult{false, 0, {}, {}, tr("No file is loaded.")};
    return writeTraceHeaderText(device, m_file.traceHeaders, separator, [this](int percent) { emit editProgress(percent); });
}

TraceTextResult SEGY::importTraceHeaders(QIODevice* device, const QString& separator, const QString& name)
{
    if (!isLoaded())
        return TraceTextResult{false, 0, {}, {}, tr("No file is loaded.")};
    HeaderChanges changes;
    TraceTextResult result = readTraceHeaderText(device, name, m_file.traceHeaders, separator, &changes,
                                                 [this](int percent) { emit editProgress(percent); });
    if (result.ok) {
        result.applied = apply(changes);
        result.ok = result.applied.ok;
        result.error = result.applied.error;
    }
    emitMessages(result.messages);
    return result;
}

bool SEGY::exportTraceHeadersToASCIIFile(QString asciiFile, QString separator)
{
    if (asciiFile.isEmpty() || !isLoaded())
        return false;
    // The text goes to a temporary file beside the destination, which
    // replaces the destination only once everything has been written.
    OutputFile output(asciiFile);
    if (!output.open())
        return false;
    if (!exportTraceHeaders(output.device(), separator).ok) {
        output.cancel();  // the temporary file goes, the destination stays
        return false;
    }
    return output.commit();
}

bool SEGY::importTraceHeadersFromASCIIFile(QString asciiFile, QString separator)
{
    if (asciiFile.isEmpty() || !isLoaded())
        return false;
    QFile file(asciiFile);
    return file.open(QIODevice::ReadOnly) && importTraceHeaders(&file, separator, asciiFile).ok;
}

int SEGY::bytesPerSample() const
{
    return mainHeader() ? bytesPerSampleForFormat(mainHeader()->value(BinaryField::FormatCode)) : 0;
}

int SEGY::traceHeaderValue(int traceIndex, int fieldIndex) const
{
    if (traceIndex < 0 || traceIndex >= traceCount() || !m_file.traceHeaders[traceIndex])
        return 0;
    return m_file.traceHeaders[traceIndex]->value(fieldIndex);
}

int SEGY::traceSamplesCount(int traceIndex) const
{
    if (traceIndex < 0 || traceIndex >= traceCount() || !m_file.traceHeaders[traceIndex])
        return -1;
    return m_file.traceHeaders[traceIndex]->value(TraceField::SampleCount);
}

int SEGY::effectiveSampleCount(const SEGYTraceHeader* header) const
{
    return TraceLayout::sampleCountOf(header ? header->value(TraceField::SampleCount) : 0, samplesPerTrace(), false);
}

bool SEGY::layoutWouldStay(const HeaderChanges& changes) const
{
    const SEGYMainHeader* header = mainHeader();
    if (!header)
        return true;
    int binaryCount = samplesPerTrace();
    int formatCode = header->value(BinaryField::FormatCode);
    int extendedCount = qint16(header->value(BinaryField::ExtendedTextHeaders));
    bool touched = false;
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues()) {
        if (change.field == fieldIndex(BinaryField::SampleCount))
            binaryCount = change.value;
        else if (change.field == fieldIndex(BinaryField::FormatCode))
            formatCode = change.value;
        else if (change.field == fieldIndex(BinaryField::ExtendedTextHeaders))
            extendedCount = qint16(change.value);
        else
            continue;
        touched = true;
    }
    std::unordered_map<int, int> sampleCounts;
    for (const HeaderChanges::TraceValue& change : changes.traceValues())
        if (change.field == fieldIndex(TraceField::SampleCount))
            sampleCounts[change.trace] = change.value;
    if (!touched && sampleCounts.empty())
        return true;

    // The format code must still read in the loaded byte order.
    uchar code[2];
    if (m_file.byteOrder == QDataStream::LittleEndian)
        qToLittleEndian<quint16>(quint16(formatCode), code);
    else
        qToBigEndian<quint16>(quint16(formatCode), code);
    if (byteOrderForFormatBytes(code) != m_file.byteOrder)
        return false;

    // Extended headers: a count names its blocks; -1 reads up to the end
    // stanza, which only a run already ending in one keeps where it is.
    const QList<QByteArray>& blocks = header->extendedTextHeaders;
    qint64 extendedBlocks = 0;
    if (extendedCount > 0)
        extendedBlocks = extendedCount;
    else if (extendedCount == -1)
        extendedBlocks = (!blocks.isEmpty() && isEndTextBlock(blocks.last())) ? blocks.size() : -1;
    const TraceLayout& loaded = m_file.layout;
    if (extendedBlocks < 0
        || TextHeaderSize + BinaryHeaderSize + extendedBlocks * TextHeaderSize != loaded.firstTraceOffset())
        return false;

    // The edited headers must give every trace the sample count it was
    // loaded with, in a format of the same sample size.
    const TraceLayout edited({binaryCount, formatCode, loaded.firstTraceOffset(), loaded.fileSize()});
    if (edited.sampleBytes() != loaded.sampleBytes())
        return false;
    if (edited.sampleBytes() == 0)  // every trace is its header alone, whatever the counts
        return true;
    const int count = traceCount();
    for (int i = 0; i < count; ++i) {
        const SEGYTraceHeader* trace = m_file.traceHeaders[i];
        const auto changed = sampleCounts.find(i);
        const int own = changed != sampleCounts.end() ? changed->second : trace->value(TraceField::SampleCount);
        if (edited.sampleCountFor(own) != trace->loadedSampleCount)
            return false;
    }
    return true;
}

bool SEGY::mainHeaderEditChangesLayout(int fieldIndex, qint32 value) const
{
    HeaderChanges change;
    change.setBinaryValue(fieldIndex, value);
    return !layoutWouldStay(change);
}

bool SEGY::traceHeaderEditChangesLayout(int traceIndex, int fieldIndex, qint32 value) const
{
    if (traceIndex < 0 || traceIndex >= traceCount())
        return false;
    return traceHeaderEditChangesLayout(m_file.traceHeaders[traceIndex], fieldIndex, value);
}

bool SEGY::traceHeaderEditChangesLayout(const SEGYTraceHeader* header, int fieldIndex, qint32 value) const
{
    // Only a walked trace's own count places the traces after it.
    if (!header || fieldIndex != ::fieldIndex(TraceField::SampleCount) || m_file.layout.hasFixedLength()
        || bytesPerSample() == 0)
        return false;
    return TraceLayout::sampleCountOf(value, samplesPerTrace(), false) != header->loadedSampleCount;
}

bool SEGY::setMainHeaderValue(int fieldIndex, const QVariant& value)
{
    SEGYMainHeader* header = mainHeader();
    if (!header)
        return false;
    HeaderField field = header->field(fieldIndex);
    if (fieldIndex < 0 || fieldIndex >= header->fieldCount() || !field.setValue(value)
        || mainHeaderEditChangesLayout(fieldIndex, field.value))
        return false;
    if (field.value != header->value(fieldIndex)) {
        header->storeValue(fieldIndex, field.value);
        setModified(true);
    }
    return true;
}

bool SEGY::setTraceHeaderValue(int traceIndex, int fieldIndex, const QVariant& value)
{
    if (traceIndex < 0 || traceIndex >= traceCount() || !m_file.traceHeaders[traceIndex])
        return false;
    SEGYTraceHeader* header = m_file.traceHeaders[traceIndex];
    qint32 checked = 0;
    if (!checkedTraceHeaderValue(header, fieldIndex, value, &checked))
        return false;
    if (checked != header->value(fieldIndex)) {
        header->storeValue(fieldIndex, checked);
        setModified(true);
    }
    return true;
}

bool SEGY::checkedTraceHeaderValue(const SEGYTraceHeader* header, int fieldIndex, const QVariant& value,
                                   qint32* checked) const
{
    if (!header || fieldIndex < 0 || fieldIndex >= header->fieldCount())
        return false;
    HeaderField field = header->field(fieldIndex);
    if (!field.setValue(value) || traceHeaderEditChangesLayout(header, fieldIndex, field.value))
        return false;
    *checked = field.value;
    return true;
}

ApplyResult SEGY::apply(const HeaderChanges& changes, HeaderChanges* inverse)
{
    ApplyResult result;
    if (!mainHeader()) {
        result.error = tr("No file is loaded.");
        return result;
    }
    const int traceCount = m_file.traceHeaders.size();

    // Every value must fit its field before anything is stored.
    auto fits = [&result](const HeaderTable& table, int field, qint32 value) {
        const bool known = field >= 0 && field < table.count;
        if (!known || !HeaderField::fitsKind(value, table.kinds[field]))
            result.error = tr("%1 is not a valid value for field %2.")
                               .arg(value)
                               .arg(known ? QString::fromLatin1(table.specs[field].label) : QString::number(field));
        return result.error.isEmpty();
    };
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues())
        if (!fits(binaryHeaderTable(), change.field, change.value))
            return result;
    for (const HeaderChanges::TraceValue& change : changes.traceValues()) {
        result.failedTrace = change.trace;
        if (change.trace < 0 || change.trace >= traceCount || !m_file.traceHeaders[change.trace]) {
            result.error = tr("There is no trace %1.").arg(change.trace + 1);
            return result;
        }
        if (!fits(traceHeaderTable(), change.field, change.value))
            return result;
    }
    result.failedTrace = -1;
    // The layout is checked on the headers as they would be after all of it.
    if (!layoutWouldStay(changes)) {
        result.error = tr("These changes would move the traces in the file.");
        return result;
    }

    emit editStarted();
    std::vector<HeaderChanges::TraceValue> oldTraceValues;
    std::vector<HeaderChanges::BinaryValue> oldBinaryValues;
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues()) {
        const qint32 old = mainHeader()->value(change.field);
        if (old == change.value)
            continue;
        mainHeader()->storeValue(change.field, change.value);
        oldBinaryValues.push_back({change.field, old});
        result.binaryChanged = true;
        ++result.changedValues;
    }
    if (changes.textHeader()) {
        const QByteArray text = changes.textHeader()->left(TextHeaderSize);
        if (text != mainHeader()->textHeader) {
            if (inverse)
                inverse->setTextHeader(mainHeader()->textHeader);
            mainHeader()->textHeader = text;
            result.textChanged = true;
        }
    }
    std::vector<bool> touched;
    const size_t total = changes.traceValues().size();
    size_t done = 0;
    ProgressReport progress([this](int percent) { emit editProgress(percent); });
    for (const HeaderChanges::TraceValue& change : changes.traceValues()) {
        SEGYTraceHeader* header = m_file.traceHeaders[change.trace];
        const qint32 old = header->value(change.field);
        if (old != change.value) {
            header->storeValue(change.field, change.value);
            if (inverse)
                oldTraceValues.push_back({change.trace, change.field, old});
            ++result.changedValues;
            if (touched.empty())
                touched.resize(size_t(traceCount), false);
            if (!touched[size_t(change.trace)]) {
                touched[size_t(change.trace)] = true;
                ++result.changedTraces;
            }
        }
        if ((++done & 0xFFFF) == 0)
            progress(int(done * 100.0 / total));
    }
    if (inverse) {
        // Put back in reverse order, so a field set twice ends as it began.
        for (auto it = oldBinaryValues.rbegin(); it != oldBinaryValues.rend(); ++it)
            inverse->setBinaryValue(it->field, it->value);
        inverse->reserve(oldTraceValues.size());
        for (auto it = oldTraceValues.rbegin(); it != oldTraceValues.rend(); ++it)
            inverse->setTraceValue(it->trace, it->field, it->value);
    }
    emit editCompleted();
    result.ok = true;
    if (result.changedAnything()) {
        setModified(true);
        emit headersChanged(result);
    }
    return result;
}

bool SEGY::setTextHeader(const QByteArray& text)
{
    if (!mainHeader())
        return false;
    const QByteArray stored = text.left(TextHeaderSize);
    if (stored != mainHeader()->textHeader) {
        mainHeader()->textHeader = stored;
        setModified(true);
    }
    return true;
}
