#include "headerfields.h"

#include <QList>

namespace {

constexpr FieldSpec binarySpecs[BinaryHeaderFieldCount] = {
    {"3201-3204", 4, DecoderKind::None, "Job identification number."},
    {"3205-3208", 4, DecoderKind::None, "Line number. For 3-D poststack data, this will typically contain the in-line number."},
    {"3209-3212", 4, DecoderKind::None, "Reel number."},
    {"3213-3214", 2, DecoderKind::None, "Number of data traces per ensemble. Mandatory for prestack data."},
    {"3215-3216", 2, DecoderKind::None, "Number of auxiliary traces per ensemble. Mandatory for prestack data."},
    {"3217-3218", 2, DecoderKind::SampleInterval, "Sample interval in microseconds (μs). Mandatory for all data types."},
    {"3219-3220", 2, DecoderKind::SampleInterval, "Sample interval in microseconds (μs) of original field recording."},
    {"3221-3222", 2, DecoderKind::None, "Number of samples per data trace. Mandatory for all types of data."},
    {"3223-3224", 2, DecoderKind::None, "Number of samples per data trace for original field recording."},
    {"3225-3226", 2, DecoderKind::SampleFormat, "Data sample format code. Mandatory for all data."},
    {"3227-3228", 2, DecoderKind::None, "Ensemble fold — The expected number of data traces per trace ensemble (e.g. the CMP fold). Highly recommended for all types of data."},
    {"3229-3230", 2, DecoderKind::TraceSortingCode, "Trace sorting code (i.e. type of ensemble)."},
    {"3231-3232", 2, DecoderKind::None, "Vertical sum code."},
    {"3233-3234", 2, DecoderKind::None, "Sweep frequency at start (Hz)."},
    {"3235-3236", 2, DecoderKind::None, "Sweep frequency at end (Hz)."},
    {"3237-3238", 2, DecoderKind::None, "Sweep length (ms)."},
    {"3239-3240", 2, DecoderKind::SweepType, "Sweep type code."},
    {"3241-3242", 2, DecoderKind::None, "Trace number of sweep channel."},
    {"3243-3244", 2, DecoderKind::None, "Sweep trace taper length in milliseconds at start if tapered (the taper starts at zero time and is effective for this length)."},
    {"3245-3246", 2, DecoderKind::None, "Sweep trace taper length in milliseconds at end (the ending taper starts at sweep length minus the taper length at end)."},
    {"3247-3248", 2, DecoderKind::TaperType, "Taper type."},
    {"3249-3250", 2, DecoderKind::DataTracesCorrelation, "Correlated data traces."},
    {"3251-3252", 2, DecoderKind::BinaryGainRecovery, "Binary gain recovered."},
    {"3253-3254", 2, DecoderKind::AmplitudeRecoveryMethod, "Amplitude recovery method."},
    {"3255-3256", 2, DecoderKind::MeasurementSystem, "Measurement system."},
    {"3257-3258", 2, DecoderKind::ImpulseSignalPolarity, "Impulse signal polarity."},
    {"3259-3260", 2, DecoderKind::VibratoryPolarity, "Vibratory polarity code."},
    {"3501-3502", 2, DecoderKind::None, "SEG Y Format Revision Number."},
    {"3503-3504", 2, DecoderKind::None, "Fixed length trace flag."},
    {"3505-3506", 2, DecoderKind::None, "Number of 3200-byte, Extended Textual File Header records following the Binary Header."},
};

constexpr FieldSpec traceSpecs[TraceHeaderFieldCount] = {
    {"1-4", 4, DecoderKind::None, "Trace sequence number within line."},
    {"5-8", 4, DecoderKind::None, "Trace sequence number within SEG Y file."},
    {"9-12", 4, DecoderKind::None, "Original field record number."},
    {"13-16", 4, DecoderKind::None, "Trace number within the original field record."},
    {"17-20", 4, DecoderKind::None, "Energy source point number."},
    {"21-24", 4, DecoderKind::None, "Ensemble number."},
    {"25-28", 4, DecoderKind::None, "Trace number within the ensemble."},
    {"29-30", 2, DecoderKind::TraceIdentification, "Trace identification code."},
    {"31-32", 2, DecoderKind::None, "Number of vertically summed traces yielding this trace."},
    {"33-34", 2, DecoderKind::None, "Number of horizontally stacked traces yielding this trace."},
    {"35-36", 2, DecoderKind::DataUse, "Data use."},
    {"37-40", 4, DecoderKind::None, "Distance from center of the source point to the center of the receiver group."},
    {"41-44", 4, DecoderKind::None, "Receiver group elevation (all elevations above the Vertical datum are positive and below are negative)."},
    {"45-48", 4, DecoderKind::None, "Surface elevation at source."},
    {"49-52", 4, DecoderKind::None, "Source depth below surface (a positive number)."},
    {"53-56", 4, DecoderKind::None, "Datum elevation at receiver group."},
    {"57-60", 4, DecoderKind::None, "Datum elevation at source."},
    {"61-64", 4, DecoderKind::None, "Water depth at source."},
    {"65-68", 4, DecoderKind::None, "Water depth at group."},
    {"69-70", 2, DecoderKind::None, "Scalar to be applied to all elevations and depths specified in Trace Header bytes 41-68 to give the real value."},
    {"71-72", 2, DecoderKind::None, "Scalar to be applied to all coordinates specified in Trace Header bytes 73-88 and to bytes Trace Header 181-188 to give the real value."},
    {"73-76", 4, DecoderKind::CoordinateEastWest, "Source coordinate - X."},
    {"77-80", 4, DecoderKind::Coordinate, "Source coordinate - Y."},
    {"81-84", 4, DecoderKind::CoordinateEastWest, "Group coordinate - X."},
    {"85-88", 4, DecoderKind::Coordinate, "Group coordinate - Y."},
    {"89-90", 2, DecoderKind::CoordinateUnit, "Coordinate units."},
    {"91-92", 2, DecoderKind::None, "Weathering velocity."},
    {"93-94", 2, DecoderKind::None, "Subweathering velocity."},
    {"95-96", 2, DecoderKind::None, "Uphole time at source in milliseconds."},
    {"97-98", 2, DecoderKind::None, "Uphole time at group in milliseconds."},
    {"99-100", 2, DecoderKind::None, "Source static correction in milliseconds."},
    {"101-102", 2, DecoderKind::None, "Group static correction in milliseconds."},
    {"103-104", 2, DecoderKind::None, "Total static applied in milliseconds."},
    {"105-106", 2, DecoderKind::None, "Lag time A — Time in milliseconds between end of 240-byte trace identification header and time break."},
    {"107-108", 2, DecoderKind::None, "Lag Time B — Time in milliseconds between time break and the initiation time of the energy source."},
    {"109-110", 2, DecoderKind::None, "Delay recording time."},
    {"111-112", 2, DecoderKind::None, "Mute time — Start time in milliseconds."},
    {"113-114", 2, DecoderKind::None, "Mute time — End time in milliseconds."},
    {"115-116", 2, DecoderKind::None, "Number of samples in this trace."},
    {"117-118", 2, DecoderKind::SampleInterval, "Sample interval in microseconds (μs) for this trace."},
    {"119-120", 2, DecoderKind::None, "Gain type of field instruments."},
    {"121-122", 2, DecoderKind::None, "Instrument gain constant (dB)."},
    {"123-124", 2, DecoderKind::None, "Instrument early or initial gain (dB)."},
    {"125-126", 2, DecoderKind::DataTracesCorrelation, "Correlated."},
    {"127-128", 2, DecoderKind::None, "Sweep frequency at start (Hz)."},
    {"129-130", 2, DecoderKind::None, "Sweep frequency at end (Hz)."},
    {"131-132", 2, DecoderKind::None, "Sweep length in milliseconds."},
    {"133-134", 2, DecoderKind::SweepType, "Sweep type."},
    {"135-136", 2, DecoderKind::None, "Sweep trace taper length at start in milliseconds."},
    {"137-138", 2, DecoderKind::None, "Sweep trace taper length at end in milliseconds."},
    {"139-140", 2, DecoderKind::TaperType, "Taper type."},
    {"141-142", 2, DecoderKind::None, "Alias filter frequency (Hz), if used."},
    {"143-144", 2, DecoderKind::None, "Alias filter slope (dB/octave)."},
    {"145-146", 2, DecoderKind::None, "Notch filter frequency (Hz), if used."},
    {"147-148", 2, DecoderKind::None, "Notch filter slope (dB/octave)."},
    {"149-150", 2, DecoderKind::None, "Low-cut frequency (Hz), if used."},
    {"151-152", 2, DecoderKind::None, "High-cut frequency (Hz), if used."},
    {"153-154", 2, DecoderKind::None, "Low-cut slope (dB/octave)."},
    {"155-156", 2, DecoderKind::None, "High-cut slope (dB/octave)."},
    {"157-158", 2, DecoderKind::None, "Year data recorded."},
    {"159-160", 2, DecoderKind::None, "Day of year (Julian day for GMT and UTC time basis)."},
    {"161-162", 2, DecoderKind::None, "Hour of day (24 hour clock)."},
    {"163-164", 2, DecoderKind::None, "Minute of hour."},
    {"165-166", 2, DecoderKind::None, "Second of minute."},
    {"167-168", 2, DecoderKind::TimeBasis, "Time basis code."},
    {"169-170", 2, DecoderKind::None, "Trace weighting factor"},
    {"171-172", 2, DecoderKind::None, "Geophone group number of roll switch position one. "},
    {"173-174", 2, DecoderKind::None, "Geophone group number of trace number one within original field record. "},
    {"175-176", 2, DecoderKind::None, "Geophone group number of last trace within original field record."},
    {"177-178", 2, DecoderKind::None, "Gap size (total number of groups dropped)."},
    {"179-180", 2, DecoderKind::OverTravel, "Over travel associated with taper at beginning or end of line."},
    {"181-184", 4, DecoderKind::CoordinateEastWestNoUnits, "X coordinate of ensemble (CDP) position of this trace."},
    {"185-188", 4, DecoderKind::CoordinateNoUnits, "Y coordinate of ensemble (CDP) position of this trace."},
    {"189-192", 4, DecoderKind::None, "For 3-D poststack data, this field should be used for the in-line number."},
    {"193-196", 4, DecoderKind::None, "For 3-D poststack data, this field should be used for the cross-line number."},
    {"197-200", 4, DecoderKind::None, "Shotpoint number."},
    {"201-202", 2, DecoderKind::None, "Scalar to be applied to the shotpoint number in Trace Header bytes 197-200 to give the real value."},
    {"203-204", 2, DecoderKind::TraceValMeasurementUnit, "Trace value measurement unit."},
    {"205-208", 4, DecoderKind::None, "Transduction Constant mantissa."},
    {"209-210", 2, DecoderKind::None, "Transduction Constant power of ten exponent."},
    {"211-212", 2, DecoderKind::TraceValMeasurementUnit, "Transduction Units."},
    {"213-214", 2, DecoderKind::None, "Device/Trace Identifier."},
    {"215-216", 2, DecoderKind::None, "Scalar to be applied to times specified in Trace Header bytes 95-114 to give the true time value in milliseconds."},
    {"217-218", 2, DecoderKind::SourceTypeOrientation, "Source Type/Orientation — Defines the type and the orientation of the energy source."},
    {"219-222", 4, DecoderKind::None, "Source Energy Direction with respect to the source orientation."},
    {"223-224", 2, DecoderKind::None, "Source Energy Direction with respect to the source orientation."},
    {"225-228", 4, DecoderKind::None, "Source Measurement mantissa — Describes the source effort used to generate the trace."},
    {"229-230", 2, DecoderKind::None, "Source Measurement power of ten exponent — Describes the source effort used to generate the trace."},
    {"231-232", 2, DecoderKind::SourceMeasurementUnit, "Source Measurement Unit."},
    {"233-236", 4, DecoderKind::None, "Unassigned — For optional information. "},
    {"237-240", 4, DecoderKind::None, "Unassigned — For optional information. "},
};

// The named fields (fieldnames.h) are the table's own: same count, same
// order, each name's value the first byte of its label.
constexpr int labelStartByte(const char* label)
{
    int value = 0;
    for (; *label >= '0' && *label <= '9'; ++label)
        value = value * 10 + (*label - '0');
    return value;
}

template <typename Field, int N>
constexpr bool namesMatch(const Field (&names)[N], const FieldSpec (&specs)[N])
{
    for (int i = 0; i < N; ++i)
        if (labelStartByte(specs[i].label) != static_cast<int>(names[i]))
            return false;
    return true;
}

static_assert(namesMatch(AllBinaryFields, binarySpecs), "BinaryField names and the binary header table differ");
static_assert(namesMatch(AllTraceFields, traceSpecs), "TraceField names and the trace header table differ");
static_assert(fieldIndex(TraceField::SampleCount) == 38 && fieldIndex(BinaryField::FormatCode) == 9, "field index");

// Sample counts are unsigned 16-bit numbers, whatever other 2-byte fields are.
bool isUnsignedField(const char* label)
{
    for (const char* counts : {"3221-3222", "3223-3224", "115-116"})
        if (qstrcmp(label, counts) == 0)
            return true;
    return false;
}

HeaderTable buildTable(const FieldSpec* specs, int count, int firstByte, int blockSize)
{
    HeaderTable table{};
    table.count = count;
    table.specs = specs;
    table.blockSize = blockSize;
    for (int i = 0; i < count; ++i) {
        const QString label = QString::fromLatin1(specs[i].label);
        table.startBytes[i] = label.section(QLatin1Char('-'), 0, 0).toInt();
        table.offsets[i] = table.startBytes[i] - firstByte;
        table.kinds[i] = isUnsignedField(specs[i].label) ? int(FieldKindUShort) : fieldKindForWidth(specs[i].width);
        if (specs[i].width == 4)
            table.wideOffsets[table.wideCount++] = table.offsets[i];
        else if (specs[i].width == 2)
            table.shortOffsets[table.shortCount++] = table.offsets[i];
    }
    table.shuffleSwap = true;
    for (int k = 0; k < blockSize; ++k)
        table.swapShuffle[k / 16][k % 16] = uchar(k % 16);
    for (int i = 0; i < count; ++i) {
        const int first = table.offsets[i], width = specs[i].width;
        if (first / 16 != (first + width - 1) / 16)
            table.shuffleSwap = false;
        for (int k = first; k < first + width; ++k)
            table.swapShuffle[k / 16][k % 16] = uchar((first + width - 1 - (k - first)) % 16);
    }
    return table;
}

QStringList labelsOf(const HeaderTable& table)
{
    QStringList labels;
    for (int i = 0; i < table.count; ++i)
        labels << QString::fromLatin1(table.specs[i].label);
    return labels;
}

QStringList descriptionsOf(const HeaderTable& table)
{
    QStringList texts;
    for (int i = 0; i < table.count; ++i)
        texts << QString::fromUtf8(table.specs[i].description);
    return texts;
}

QList<int> startBytesOf(const HeaderTable& table)
{
    QList<int> bytes;
    for (int i = 0; i < table.count; ++i)
        bytes << table.startBytes[i];
    return bytes;
}

int findByStartByte(const QStringList& labels, const QString& startByte)
{
    for (int i = 0; i < labels.size(); ++i) {
        if (labels[i].section(QLatin1Char('-'), 0, 0).compare(startByte, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

}  // namespace

int fieldKindForWidth(int width)
{
    switch (width) {
    case 4: return FieldKindInt;
    case 2: return FieldKindShort;
    default: return FieldKindChar;
    }
}

const HeaderTable& binaryHeaderTable()
{
    static const HeaderTable table = buildTable(binarySpecs, BinaryHeaderFieldCount, TextHeaderSize + 1, BinaryHeaderSize);
    return table;
}

const HeaderTable& traceHeaderTable()
{
    static const HeaderTable table = buildTable(traceSpecs, TraceHeaderFieldCount, 1, TraceHeaderSize);
    return table;
}

const QStringList& binaryHeaderLabels()
{
    static const QStringList list = labelsOf(binaryHeaderTable());
    return list;
}

const QStringList& binaryHeaderDescriptions()
{
    static const QStringList list = descriptionsOf(binaryHeaderTable());
    return list;
}

const QList<int>& binaryHeaderStartBytes()
{
    static const QList<int> list = startBytesOf(binaryHeaderTable());
    return list;
}

const QStringList& traceHeaderLabels()
{
    static const QStringList list = labelsOf(traceHeaderTable());
    return list;
}

const QStringList& traceHeaderDescriptions()
{
    static const QStringList list = descriptionsOf(traceHeaderTable());
    return list;
}

const QList<int>& traceHeaderStartBytes()
{
    static const QList<int> list = startBytesOf(traceHeaderTable());
    return list;
}

int binaryHeaderFieldIndex(const QString& startByte)
{
    return findByStartByte(binaryHeaderLabels(), startByte);
}

int traceHeaderFieldIndex(const QString& startByte)
{
    return findByStartByte(traceHeaderLabels(), startByte);
}

int traceHeaderFieldOfLabel(const QString& label)
{
    return traceHeaderLabels().indexOf(label);
}
