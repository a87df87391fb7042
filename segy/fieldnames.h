#pragma once

// Names for the standard header fields. Each value is the field's first byte
// as the standard counts it (from 1; binary header bytes from 3201), so
// TraceField::SampleCount is 115 and BinaryField::FormatCode 3225. The field
// table in headerfields.cpp checks at compile time that these lists name
// every field it holds, in its order; fieldIndex() gives a field's position
// in that table.

enum class BinaryField : int {
    JobId = 3201,
    LineNumber = 3205,
    ReelNumber = 3209,
    TracesPerEnsemble = 3213,
    AuxiliaryTracesPerEnsemble = 3215,
    SampleInterval = 3217,
    OriginalSampleInterval = 3219,
    SampleCount = 3221,
    OriginalSampleCount = 3223,
    FormatCode = 3225,
    EnsembleFold = 3227,
    TraceSorting = 3229,
    VerticalSum = 3231,
    SweepStartFrequency = 3233,
    SweepEndFrequency = 3235,
    SweepLength = 3237,
    SweepType = 3239,
    SweepChannel = 3241,
    SweepTaperStart = 3243,
    SweepTaperEnd = 3245,
    TaperType = 3247,
    CorrelatedTraces = 3249,
    BinaryGainRecovered = 3251,
    AmplitudeRecovery = 3253,
    MeasurementSystem = 3255,
    ImpulsePolarity = 3257,
    VibratoryPolarity = 3259,
    Revision = 3501,
    FixedLengthFlag = 3503,
    ExtendedTextHeaders = 3505,
};

enum class TraceField : int {
    TraceSequenceLine = 1,
    TraceSequenceFile = 5,
    FieldRecord = 9,
    TraceInFieldRecord = 13,
    EnergySourcePoint = 17,
    Ensemble = 21,
    TraceInEnsemble = 25,
    TraceId = 29,
    VerticalSum = 31,
    HorizontalStack = 33,
    DataUse = 35,
    Offset = 37,
    ReceiverElevation = 41,
    SourceSurfaceElevation = 45,
    SourceDepth = 49,
    ReceiverDatumElevation = 53,
    SourceDatumElevation = 57,
    SourceWaterDepth = 61,
    GroupWaterDepth = 65,
    ElevationScalar = 69,
    CoordinateScalar = 71,
    SourceX = 73,
    SourceY = 77,
    GroupX = 81,
    GroupY = 85,
    CoordinateUnit = 89,
    WeatheringVelocity = 91,
    SubweatheringVelocity = 93,
    SourceUpholeTime = 95,
    GroupUpholeTime = 97,
    SourceStatic = 99,
    GroupStatic = 101,
    TotalStatic = 103,
    LagTimeA = 105,
    LagTimeB = 107,
    DelayTime = 109,
    MuteStart = 111,
    MuteEnd = 113,
    SampleCount = 115,
    SampleInterval = 117,
    GainType = 119,
    InstrumentGain = 121,
    InstrumentInitialGain = 123,
    Correlated = 125,
    SweepStartFrequency = 127,
    SweepEndFrequency = 129,
    SweepLength = 131,
    SweepType = 133,
    SweepTaperStart = 135,
    SweepTaperEnd = 137,
    TaperType = 139,
    AliasFilterFrequency = 141,
    AliasFilterSlope = 143,
    NotchFilterFrequency = 145,
    NotchFilterSlope = 147,
    LowCutFrequency = 149,
    HighCutFrequency = 151,
    LowCutSlope = 153,
    HighCutSlope = 155,
    Year = 157,
    DayOfYear = 159,
    Hour = 161,
    Minute = 163,
    Second = 165,
    TimeBasis = 167,
    TraceWeighting = 169,
    GroupNumberRollFirst = 171,
    GroupNumberFirstTrace = 173,
    GroupNumberLastTrace = 175,
    GapSize = 177,
    OverTravel = 179,
    CdpX = 181,
    CdpY = 185,
    Inline = 189,
    Crossline = 193,
    ShotPoint = 197,
    ShotPointScalar = 201,
    TraceValueUnit = 203,
    TransductionMantissa = 205,
    TransductionExponent = 209,
    TransductionUnit = 211,
    DeviceId = 213,
    TimeScalar = 215,
    SourceTypeOrientation = 217,
    SourceEnergyDirection = 219,
    SourceEnergyDirectionExponent = 223,
    SourceMeasurementMantissa = 225,
    SourceMeasurementExponent = 229,
    SourceMeasurementUnit = 231,
    Unassigned233 = 233,
    Unassigned237 = 237,
};

// Every field of each kind in table order: position k holds the field at
// index k.
constexpr BinaryField AllBinaryFields[] = {
    BinaryField::JobId, BinaryField::LineNumber, BinaryField::ReelNumber, BinaryField::TracesPerEnsemble,
    BinaryField::AuxiliaryTracesPerEnsemble, BinaryField::SampleInterval, BinaryField::OriginalSampleInterval,
    BinaryField::SampleCount, BinaryField::OriginalSampleCount, BinaryField::FormatCode, BinaryField::EnsembleFold,
    BinaryField::TraceSorting, BinaryField::VerticalSum, BinaryField::SweepStartFrequency,
    BinaryField::SweepEndFrequency, BinaryField::SweepLength, BinaryField::SweepType, BinaryField::SweepChannel,
    BinaryField::SweepTaperStart, BinaryField::SweepTaperEnd, BinaryField::TaperType, BinaryField::CorrelatedTraces,
    BinaryField::BinaryGainRecovered, BinaryField::AmplitudeRecovery, BinaryField::MeasurementSystem,
    BinaryField::ImpulsePolarity, BinaryField::VibratoryPolarity, BinaryField::Revision, BinaryField::FixedLengthFlag,
    BinaryField::ExtendedTextHeaders,
};

constexpr TraceField AllTraceFields[] = {
    TraceField::TraceSequenceLine, TraceField::TraceSequenceFile, TraceField::FieldRecord,
    TraceField::TraceInFieldRecord, TraceField::EnergySourcePoint, TraceField::Ensemble, TraceField::TraceInEnsemble,
    TraceField::TraceId, TraceField::VerticalSum, TraceField::HorizontalStack, TraceField::DataUse,
    TraceField::Offset, TraceField::ReceiverElevation, TraceField::SourceSurfaceElevation, TraceField::SourceDepth,
    TraceField::ReceiverDatumElevation, TraceField::SourceDatumElevation, TraceField::SourceWaterDepth,
    TraceField::GroupWaterDepth, TraceField::ElevationScalar, TraceField::CoordinateScalar, TraceField::SourceX,
    TraceField::SourceY, TraceField::GroupX, TraceField::GroupY, TraceField::CoordinateUnit,
    TraceField::WeatheringVelocity, TraceField::SubweatheringVelocity, TraceField::SourceUpholeTime,
    TraceField::GroupUpholeTime, TraceField::SourceStatic, TraceField::GroupStatic, TraceField::TotalStatic,
    TraceField::LagTimeA, TraceField::LagTimeB, TraceField::DelayTime, TraceField::MuteStart, TraceField::MuteEnd,
    TraceField::SampleCount, TraceField::SampleInterval, TraceField::GainType, TraceField::InstrumentGain,
    TraceField::InstrumentInitialGain, TraceField::Correlated, TraceField::SweepStartFrequency,
    TraceField::SweepEndFrequency, TraceField::SweepLength, TraceField::SweepType, TraceField::SweepTaperStart,
    TraceField::SweepTaperEnd, TraceField::TaperType, TraceField::AliasFilterFrequency, TraceField::AliasFilterSlope,
    TraceField::NotchFilterFrequency, TraceField::NotchFilterSlope, TraceField::LowCutFrequency,
    TraceField::HighCutFrequency, TraceField::LowCutSlope, TraceField::HighCutSlope, TraceField::Year,
    TraceField::DayOfYear, TraceField::Hour, TraceField::Minute, TraceField::Second, TraceField::TimeBasis,
    TraceField::TraceWeighting, TraceField::GroupNumberRollFirst, TraceField::GroupNumberFirstTrace,
    TraceField::GroupNumberLastTrace, TraceField::GapSize, TraceField::OverTravel, TraceField::CdpX, TraceField::CdpY,
    TraceField::Inline, TraceField::Crossline, TraceField::ShotPoint, TraceField::ShotPointScalar,
    TraceField::TraceValueUnit, TraceField::TransductionMantissa, TraceField::TransductionExponent,
    TraceField::TransductionUnit, TraceField::DeviceId, TraceField::TimeScalar, TraceField::SourceTypeOrientation,
    TraceField::SourceEnergyDirection, TraceField::SourceEnergyDirectionExponent,
    TraceField::SourceMeasurementMantissa, TraceField::SourceMeasurementExponent, TraceField::SourceMeasurementUnit,
    TraceField::Unassigned233, TraceField::Unassigned237,
};

namespace fieldnames_detail {
template <typename Field, int N>
constexpr int indexIn(const Field (&all)[N], Field field)
{
    for (int i = 0; i < N; ++i)
        if (all[i] == field)
            return i;
    return -1;
}
}  // namespace fieldnames_detail

// A named field's index in its header's table.
constexpr int fieldIndex(BinaryField field) { return fieldnames_detail::indexIn(AllBinaryFields, field); }
constexpr int fieldIndex(TraceField field) { return fieldnames_detail::indexIn(AllTraceFields, field); }
constexpr int startByte(BinaryField field) { return static_cast<int>(field); }
constexpr int startByte(TraceField field) { return static_cast<int>(field); }
