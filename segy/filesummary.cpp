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
