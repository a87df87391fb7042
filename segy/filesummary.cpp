#include "filesummary.h"

#include "decoders.h"
#include "segy.h"

#include <QCoreApplication>

FileSummary fileSummary(const SEGY& segy)
{
    FileSummary summary;
    if (const SEGYMainHeader* header = segy.mainHeader()) {
        summary.sampleFormat = header->fieldText(fieldIndex(BinaryField::FormatCode));
        summary.sampleFormatCode = header->value(BinaryField::FormatCode);
        summary.sampleInterval = header->value(BinaryField::SampleInterval);
        summary.samplingFrequency = header->fieldText(fieldIndex(BinaryField::SampleInterval));
        summary.extendedTextHeaders = header->value(BinaryField::ExtendedTextHeaders);
    }
    summary.traceCount = segy.traceCount();
    summary.samplesCount = segy.samplesPerTrace();
    if (segy.mainHeader() && segy.isLoaded()) {
        const int format = segy.effectiveFormatCode();
        if (format != summary.sampleFormatCode) {
            summary.formatOverridden = true;
            summary.sampleFormatCode = format;
            const QString known = SEGYSampleFormatDecoder(fieldIndex(BinaryField::FormatCode)).map().value(format);
            summary.sampleFormat = known.isEmpty() ? QString::number(format) : known;
        }
        summary.samplesCount = segy.layout().binarySampleCount();
    }
    if (segy.isRevision2()) {
        summary.revision2 = QStringLiteral("2.%1").arg(segy.fieldValue(nullptr, revision2BinaryFields().at(9)).u);
        summary.traceHeaderExtensions = segy.extensionNames(0);
        summary.trailerStanzas = int(segy.trailer().size() / TextHeaderSize);
    }
    summary.littleEndian = segy.byteOrder() == 1;
    return summary;
}

QString FileSummary::sampleIntervalMilliseconds() const
{
    return sampleIntervalMillisecondsText(sampleInterval);
}

QString FileSummary::byteOrder() const
{
    return littleEndian ? QCoreApplication::translate("FileSummary", "Little Endian")
                        : QCoreApplication::translate("FileSummary", "Big Endian");
}
