#include "segy.h"

#include "fileguard.h"
#include "outputfile.h"
#include "savejournal.h"
#include "samplecodec.h"
#include "textcards.h"
#include "textcodec.h"

#include <QFile>
#include <QtEndian>
#include <algorithm>
#include <climits>
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

QString SEGY::fileName() const
{
    auto* file = qobject_cast<QFileDevice*>(m_device);
    return file ? file->fileName() : QString();
}

bool SEGY::takeWriteLock(const std::function<void()>& onWait)
{
    const QString name = fileName();
    if (name.isEmpty() || (m_writeLock && m_writeLock->isLocked()))
        return true;
    m_writeLock = std::make_unique<FileLock>(name);
    if (m_writeLock->lock(onWait))
        return true;
    m_lastError = tr("%1 cannot be locked for writing: %2").arg(name, m_writeLock->errorString());
    m_writeLock.reset();
    return false;
}

void SEGY::releaseWriteLock()
{
    m_writeLock.reset();
}

bool SEGY::load(QIODevice* device)
{
    emit loadStarted();
    clear();
    m_lastError.clear();
    // A save that died halfway is undone before anything is read.
    auto* fileDevice = qobject_cast<QFileDevice*>(device);
    if (fileDevice && !fileDevice->fileName().isEmpty()) {
        const QString name = fileDevice->fileName();
        QString error;
        switch (SaveJournal::recover(name, &error, m_writeLock && m_writeLock->isLocked())) {
        case SaveJournal::Recovery::Restored:
            emit errorMessage(tr("an interrupted save of %1 was undone; the file is as it was before that save.").arg(name));
            break;
        case SaveJournal::Recovery::Foreign:
            emit errorMessage(tr("%1 belongs to another file than %2 and was left alone.")
                                  .arg(SaveJournal::pathFor(name), name));
            break;
        case SaveJournal::Recovery::Failed:
            m_lastError = tr("an interrupted save of %1 could not be undone: %2").arg(name, error);
            emit errorMessage(m_lastError);
            emit errorMessage(tr("Error loading segy."));
            emit ioOperationCompleted();
            return false;
        default:
            break;
        }
    }
    const FileResult result = loadSegyFile(device, &m_file, [this](int percent) { emit loadProgress(percent); });
    emitMessages(result.messages);
    if (!result.ok)
        m_lastError = result.error;
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
    // One writer at a time: the lock is held for the save unless the caller
    // holds it already.
    const bool locked = m_writeLock && m_writeLock->isLocked();
    FileResult result;
    if (isLoaded() && !takeWriteLock())
        result.error = m_lastError;
    else
        result = saveSegyFileInPlace(m_device, &m_file, [this](int percent) { emit saveProgress(percent); });
    if (!locked)
        releaseWriteLock();
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
    m_lastError = result.error;
    m_saveFailureReason = result.ok || result.generic ? QString() : result.error;
    emitMessages(result.messages);
    // A reason of its own is told; the plain failures say only what follows.
    if (!m_saveFailureReason.isEmpty() && !result.messages.contains(result.error))
        emit errorMessage(result.error);
    emit saveCompleted();
    if (!result.ok)
        emit errorMessage(tr("Error saving file."));
    return result.ok;
}

TraceTextResult SEGY::exportTraceHeaders(QIODevice* device, const QString& separator)
{
    if (!isLoaded())
        return TraceTextResult{false, 0, {}, {}, tr("No file is loaded.")};
    return writeTraceHeaderText(device, m_file.traceHeaders, separator, [this](int percent) { emit editProgress(percent); },
                                CustomColumns{extraFields(HeaderBlock::Trace), isLittleEndian(), fieldReader()});
}

TraceTextResult SEGY::importTraceHeaders(QIODevice* device, const QString& separator, const QString& name)
{
    if (!isLoaded())
        return TraceTextResult{false, 0, {}, {}, tr("No file is loaded.")};
    HeaderChanges changes;
    TraceTextResult result = readTraceHeaderText(device, name, m_file.traceHeaders, separator, &changes,
                                                 [this](int percent) { emit editProgress(percent); },
                                                 CustomColumns{extraFields(HeaderBlock::Trace), isLittleEndian(), fieldReader()});
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
    // The reason of a failure is the last error, told once.
    const auto refused = [this](const QString& message) {
        m_lastError = message;
        emit errorMessage(message);
        return false;
    };
    const auto failed = [&refused, &asciiFile](QString reason) {
        if (reason.endsWith(QLatin1Char('.')))
            reason.chop(1);
        return refused(tr("could not write %1: %2.").arg(asciiFile, reason));
    };
    m_lastError.clear();
    // Never over the survey itself, through whatever path or link.
    if (isSameFile(asciiFile, fileName()))
        return refused(tr("%1 is the SEG-Y file being read; nothing was written.").arg(asciiFile));
    // The text goes to a temporary file beside the destination, which
    // replaces the destination only once everything has been written.
    OutputFile output(asciiFile);
    if (!output.open())
        return failed(output.errorString());
    const TraceTextResult written = exportTraceHeaders(output.device(), separator);
    if (!written.ok) {
        output.cancel();  // the temporary file goes, the destination stays
        auto* device = qobject_cast<QFileDevice*>(output.device());
        return failed(device && device->error() != QFileDevice::NoError ? device->errorString() : written.error);
    }
    return output.commit() || failed(output.errorString());
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
    int fixedFlag = header->value(BinaryField::FixedLengthFlag);
    bool touched = false;
    for (const HeaderChanges::BinaryValue& change : changes.binaryValues()) {
        if (change.field == fieldIndex(BinaryField::SampleCount))
            binaryCount = change.value;
        else if (change.field == fieldIndex(BinaryField::FormatCode))
            formatCode = change.value;
        else if (change.field == fieldIndex(BinaryField::ExtendedTextHeaders))
            extendedCount = qint16(change.value);
        else if (change.field == fieldIndex(BinaryField::FixedLengthFlag))
            fixedFlag = change.value;
        else
            continue;
        touched = true;
    }
    std::unordered_map<int, int> sampleCounts;
    for (const HeaderChanges::TraceValue& change : changes.traceValues())
        if (change.field == fieldIndex(TraceField::SampleCount))
            sampleCounts[change.trace] = change.value;
    // Revision 2 bytes the loader reads the layout or byte order from: the
    // extended sample count, the byte-order constant, the number of trace
    // header extensions, the first trace offset and the trailer count.
    for (const HeaderChanges::BinaryByte& change : changes.binaryBytes()) {
        const int byte = change.offset + TextHeaderSize + 1;
        const bool readByLoader = (byte >= 3269 && byte <= 3272) || (byte >= 3297 && byte <= 3300)
                                  || (byte >= 3507 && byte <= 3510) || (byte >= 3521 && byte <= 3532);
        if (readByLoader && header->rawBlock()[change.offset] != change.value)
            return false;
    }
    const bool revisionChanged = std::any_of(changes.binaryValues().begin(), changes.binaryValues().end(), [&](const auto& c) {
        return c.field == fieldIndex(BinaryField::Revision) && c.value != header->value(BinaryField::Revision);
    });
    if (!touched && sampleCounts.empty() && !revisionChanged)
        return true;
    // A file read by revision 2 rules, or with the user's format, is
    // not re-checked field by field: any change to what placed its traces
    // is refused.
    if (m_file.revision2Layout || !m_file.overrides.isEmpty() || (revisionChanged && isRevision2()))
        return false;
    if (!touched && sampleCounts.empty())
        return true;

    // The format code must still read in the loaded byte order.
    uchar code[2];
    if (m_file.byteOrder == QDataStream::LittleEndian)
        qToLittleEndian<quint16>(quint16(formatCode), code);
    else
        qToBigEndian<quint16>(quint16(formatCode), code);
    if (!m_file.byteOrderFromConstant && byteOrderForFormatBytes(code) != m_file.byteOrder)
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
    // loaded with, in a format of the same sample size, by the loader's
    // rule: the fixed length when the flag asks for one that fits; else the
    // walk by the traces' own counts when it ends at the end of the file;
    // else the fixed length when it fits. A walk that leaves the loaded one
    // would read its next header out of sample data: whatever that gives,
    // it is not known to be the same layout.
    const TraceLayout edited({binaryCount, formatCode, loaded.firstTraceOffset(), loaded.fileSize(), fixedFlag == 1});
    if (edited.sampleBytes() != loaded.sampleBytes())
        return false;
    if (edited.sampleBytes() == 0)  // every trace is its header alone, whatever the counts
        return true;
    const int count = traceCount();
    auto ownCount = [&](int i) {
        const auto changed = sampleCounts.find(i);
        return changed != sampleCounts.end() ? changed->second : m_file.traceHeaders[i]->value(TraceField::SampleCount);
    };
    // Nothing the loader reads the layout from changed: it finds the same.
    bool sameInputs = binaryCount == samplesPerTrace() && (fixedFlag == 1) == (header->value(BinaryField::FixedLengthFlag) == 1);
    for (const auto& change : sampleCounts)
        sameInputs = sameInputs && change.second == m_file.traceHeaders[change.first]->value(TraceField::SampleCount);
    if (sameInputs)
        return true;
    auto readsAs = [&](bool fixed) {
        for (int i = 0; i < count; ++i)
            if (TraceLayout::sampleCountOf(ownCount(i), binaryCount, fixed) != m_file.traceHeaders[i]->loadedSampleCount)
                return false;
        return true;
    };
    if (edited.hasFixedLength())
        return readsAs(true);
    if (!readsAs(false))
        return false;
    // The walk is the loaded one; where that one ended short of the end of
    // the file, a fitting fixed length would be taken instead.
    return loaded.coversFile() || !edited.fixedLengthFits() || readsAs(true);
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

int SEGY::traceIndexOf(const SEGYTraceHeader* header) const
{
    // Headers lie in file order at increasing file positions.
    const auto& headers = m_file.traceHeaders;
    if (!header)
        return -1;
    const auto found = std::lower_bound(headers.cbegin(), headers.cend(), header->filePosition,
                                        [](const SEGYTraceHeader* h, qint64 at) { return h->filePosition < at; });
    return found != headers.cend() && *found == header ? int(found - headers.cbegin()) : -1;
}

bool SEGY::traceHeaderEditChangesLayout(const SEGYTraceHeader* header, int fieldIndex, qint32 value) const
{
    if (!header || fieldIndex != ::fieldIndex(TraceField::SampleCount))
        return false;
    const int index = traceIndexOf(header);
    HeaderChanges change;
    change.setTraceValue(index, fieldIndex, value);
    return index >= 0 && !layoutWouldStay(change);
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
    const qint32 old = header->value(fieldIndex);
    if (field.value != old) {
        header->storeValue(fieldIndex, field.value);
        setModified(true);
        if (m_recorder) {
            HeaderChanges inverse;
            inverse.setBinaryValue(fieldIndex, old);
            m_recorder(inverse);
        }
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
    const qint32 old = header->value(fieldIndex);
    if (checked != old) {
        header->storeValue(fieldIndex, checked);
        setModified(true);
        if (m_recorder) {
            HeaderChanges inverse;
            inverse.setTraceValue(traceIndex, fieldIndex, old);
            m_recorder(inverse);
        }
    }
    return true;
}

void SEGY::noteTraceValueStored(const SEGYTraceHeader* header, int fieldIndex, qint32 old) const
{
    if (!m_recorder || !header || header->value(fieldIndex) == old)
        return;
    const int trace = traceIndexOf(header);
    if (trace < 0)
        return;
    HeaderChanges inverse;
    inverse.setTraceValue(trace, fieldIndex, old);
    m_recorder(inverse);
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
    const bool fullRange = changes.fullRange();
    auto fits = [&result, fullRange](const HeaderTable& table, int field, qint32 value) {
        const bool known = field >= 0 && field < table.count;
        if (!known || !(HeaderField::fitsKind(value, table.kinds[field]) || (fullRange && value == INT_MIN)))
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
    for (const HeaderChanges::BinaryByte& change : changes.binaryBytes()) {
        if (change.offset < 0 || change.offset >= BinaryHeaderSize) {
            result.error = tr("There is no binary header byte %1.").arg(change.offset + TextHeaderSize + 1);
            return result;
        }
    }
    // The layout is checked on the headers as they would be after all of it.
    if (!layoutWouldStay(changes)) {
        result.error = tr("These changes would move the traces in the file.");
        return result;
    }

    // The recorder needs the inverse whether or not the caller asked for it.
    HeaderChanges recorded;
    if (!inverse && m_recorder)
        inverse = &recorded;

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
    std::vector<HeaderChanges::BinaryByte> oldBinaryBytes;
    for (const HeaderChanges::BinaryByte& change : changes.binaryBytes()) {
        const uchar old = mainHeader()->rawBlock()[change.offset];
        if (old == change.value)
            continue;
        mainHeader()->storeRawByte(change.offset, change.value);
        oldBinaryBytes.push_back({change.offset, old});
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
        for (auto it = oldBinaryBytes.rbegin(); it != oldBinaryBytes.rend(); ++it)
            inverse->setBinaryByte(it->offset, it->value);
        inverse->reserve(oldTraceValues.size());
        for (auto it = oldTraceValues.rbegin(); it != oldTraceValues.rend(); ++it)
            inverse->setTraceValue(it->trace, it->field, it->value);
    }
    emit editCompleted();
    result.ok = true;
    if (result.changedAnything()) {
        setModified(true);
        if (m_recorder)
            m_recorder(*inverse);
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
        HeaderChanges inverse;
        if (m_recorder)
            inverse.setTextHeader(mainHeader()->textHeader);
        mainHeader()->textHeader = stored;
        setModified(true);
        if (m_recorder)
            m_recorder(inverse);
    }
    return true;
}

bool SEGY::readsTextAsAscii(const QByteArray& block, bool extended) const
{
    switch (m_file.overrides.textEncoding) {
    case ReadingOverrides::Text::Ascii: return true;
    case ReadingOverrides::Text::Ebcdic: return false;
    default: return extended ? extendedTextHeaderIsAscii(block) : isAsciiTextHeader(block);
    }
}

bool SEGY::isRevision2() const
{
    // The major revision is byte 3501 alone, whatever the byte order.
    return mainHeader() && fieldValue(nullptr, revision2BinaryFields().at(8)).u == 2;
}

namespace {
const uchar* zeroBlock()
{
    static const uchar zeros[TraceHeaderSize] = {};
    return zeros;
}
}  // namespace

QList<FieldDescription> SEGY::extraFields(HeaderBlock block) const
{
    QList<FieldDescription> fields;
    if (block == HeaderBlock::Binary && isRevision2())
        fields = revision2BinaryFields();
    if (block == HeaderBlock::Trace && hasTraceExtensions())
        fields = extension1Fields();
    return fields + m_fieldLayout.fields(block);
}

QStringList SEGY::extensionNames(int traceIndex) const
{
    QStringList names;
    if (traceIndex < 0 || size_t(traceIndex) >= m_file.extensionCounts.size() || !m_device)
        return names;
    // Extension 1 is kept; the others are read from the file.
    const FieldDescription* name = extension1Field(QStringLiteral("ext1.HeaderName"));
    names << fieldValue(m_file.traceHeaders[traceIndex], *name).text();
    const qint64 at = m_file.traceHeaders[traceIndex]->filePosition + 2 * TraceHeaderSize;
    const bool wasOpen = m_device->isOpen();
    if (!wasOpen && !m_device->open(QIODevice::ReadOnly))
        return names;
    for (int k = 1; k < m_file.extensionCounts[size_t(traceIndex)]; ++k) {
        QByteArray block(TraceHeaderSize, '\0');
        if (m_device->seek(at + qint64(k - 1) * TraceHeaderSize) && m_device->read(block.data(), TraceHeaderSize) == TraceHeaderSize)
            names << readFieldValue(reinterpret_cast<const uchar*>(block.constData()), *name, isLittleEndian()).text();
    }
    if (!wasOpen)
        m_device->close();
    return names;
}

QList<FieldDescription> SEGY::allFields(HeaderBlock block) const
{
    QList<FieldDescription> fields;
    const int count = block == HeaderBlock::Binary ? BinaryHeaderFieldCount : TraceHeaderFieldCount;
    for (int i = 0; i < count; ++i)
        fields.append(FieldDescription::standard(block, i));
    return fields + m_fieldLayout.fields(block);
}

bool SEGY::findField(const QString& name, HeaderBlock block, FieldDescription* field) const
{
    const int index = block == HeaderBlock::Binary ? binaryHeaderFieldIndex(name) : traceHeaderFieldIndex(name);
    if (index >= 0) {
        *field = FieldDescription::standard(block, index);
        return true;
    }
    const FieldDescription* custom = m_fieldLayout.find(name, block);
    for (const FieldDescription& builtIn : block == HeaderBlock::Binary ? revision2BinaryFields() : extension1Fields())
        if (!custom && builtIn.name.compare(name, Qt::CaseInsensitive) == 0)
            custom = &builtIn;
    if (custom)
        *field = *custom;
    return custom != nullptr;
}

FieldValue SEGY::fieldValue(const CHeader* header, const FieldDescription& field) const
{
    if (field.block == HeaderBlock::TraceExtension1) {
        const int trace = traceIndexOf(static_cast<const SEGYTraceHeader*>(header));
        if (trace < 0 || size_t(trace + 1) * TraceHeaderSize > m_file.extension1.size())
            return readFieldValue(zeroBlock(), field, false);
        return readFieldValue(m_file.extension1.data() + size_t(trace) * TraceHeaderSize, field, isLittleEndian());
    }
    if (!header)
        header = mainHeader();
    return header ? headerFieldValue(*header, field, isLittleEndian()) : FieldValue();
}

bool SEGY::addFieldChanges(HeaderChanges* changes, int trace, const FieldValues& values, QString* error) const
{
    for (const auto& entry : values)
        if (entry.first.block == HeaderBlock::TraceExtension1) {
            *error = tr("field %1 lies in a trace header extension, which is kept as it is and cannot be edited.")
                         .arg(entry.first.title());
            return false;
        }
    const CHeader* header = trace < 0 ? static_cast<const CHeader*>(mainHeader())
                                      : (trace < traceCount() ? m_file.traceHeaders[trace] : nullptr);
    if (!header) {
        *error = trace < 0 ? tr("No file is loaded.") : tr("There is no trace %1.").arg(trace + 1);
        return false;
    }
    changes->allowFullRange();
    return standardChangesFor(
        *header, values, isLittleEndian(),
        [&](int index, qint32 v) {
            if (trace < 0)
                changes->setBinaryValue(index, v);
            else
                changes->setTraceValue(trace, index, v);
        },
        [&](int offset, uchar byte) { changes->setBinaryByte(offset, byte); }, error);
}
