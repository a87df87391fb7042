#include "decoders.h"

#include "coordinatescalar.h"
#include "headers.h"

#include <cmath>
#include <initializer_list>
#include <utility>

namespace {

using CodeText = std::pair<qint32, const char*>;

// Pairs are inserted in order, so a repeated code keeps the last text.
SEGYDecoderCodeMap buildMap(std::initializer_list<CodeText> pairs)
{
    SEGYDecoderCodeMap map;
    for (const CodeText& pair : pairs)
        map.insert(pair.first, QString::fromUtf8(pair.second));
    return map;
}

}  // namespace

QString SEGYHeaderEnumDecoder::decode(const CHeader* header, bool* ok) const
{
    if (!header)
        return QString();
    const qint32 value = header->value(m_fieldIndex);
    const auto it = m_map->constFind(value);
    if (ok)
        *ok = it != m_map->constEnd();
    if (it != m_map->constEnd())
        return it.value();
    return QStringLiteral("%1 - Non standard value").arg(value);
}

#define TREVALON_DEFINE_ENUM_DECODER(Name, ...)                      \
    Name::Name(int fieldIndex)                                       \
        : SEGYHeaderEnumDecoder(fieldIndex, []() -> const SEGYDecoderCodeMap& { \
              static const SEGYDecoderCodeMap map = buildMap({__VA_ARGS__}); \
              return map;                                            \
          }())                                                       \
    {                                                                \
    }

TREVALON_DEFINE_ENUM_DECODER(SEGYSampleFormatDecoder,
    {1, "4-byte IBM floating-point"}, {2, "Integer 32 bit"}, {3, "Integer 16 bit"},
    {4, "4-byte fixed point with gain"}, {5, "IEEE floating point"}, {6, "IEEE floating point 64 bit"},
    {7, "Integer 24 bit"}, {8, "Integer 8 bit"}, {9, "Integer 64 bit"}, {10, "Unsigned integer 32 bit"},
    {11, "Unsigned integer 16 bit"}, {12, "Unsigned integer 64 bit"}, {15, "Unsigned integer 24 bit"},
    {16, "Unsigned integer 8 bit"})

TREVALON_DEFINE_ENUM_DECODER(SEGYTraceIdentificationDecoder,
    {-1, "User defined"}, {0, "Unknown"}, {1, "Seismic data"}, {2, "Dead"}, {3, "Dummy"},
    {4, "Time break"}, {5, "Uphole"}, {6, "Sweep"}, {7, "Timing"}, {8, "Waterbreak"},
    {9, "Near-field gun signature"}, {10, "Far-field gun singature"},
    {11, "Seismic pressure sensor"}, {12, "Multicomponent sensor - Vertical"},
    {13, "Multicomponent sensor - Cross-line"}, {14, "Multicomponent sensor - In-line"},
    {15, "Rot. Multicomponent sensor - Vertical"}, {16, "Rot. Multicomponent sensor - Cross-line"},
    {17, "Rot. Multicomponent sensor - In-line"}, {18, "Vibrator reaction mass"},
    {19, "Vibrator baseplate"}, {20, "Vibrator ground force"}, {21, "Vibrator reference"},
    {22, "Time-velocity pairs"})

TREVALON_DEFINE_ENUM_DECODER(SEGYDataUseDecoder, {1, "Production"}, {2, "Test"})

TREVALON_DEFINE_ENUM_DECODER(SEGYCoordinateUnitDecoder,
    {1, "Meters"}, {2, "Seconds of arc"}, {3, "Decimal degrees"}, {4, "DMS"})

TREVALON_DEFINE_ENUM_DECODER(SEGYDataTracesCorrelationDecoder, {1, "No"}, {2, "Yes"})

TREVALON_DEFINE_ENUM_DECODER(SEGYBinaryGainRecoveryDecoder, {1, "Yes"}, {2, "No"})

TREVALON_DEFINE_ENUM_DECODER(SEGYSweepTypeDecoder,
    {0, "Undefined"}, {1, "Linear sweep"}, {2, "Parabolic sweep"}, {3, "Exponential sweep"},
    {4, "User defined sweep"})

TREVALON_DEFINE_ENUM_DECODER(SEGYTaperTypeDecoder,
    {0, "Undefined"}, {1, "Linear"}, {2, "Cos2"}, {3, "Unknown"})

TREVALON_DEFINE_ENUM_DECODER(SEGYTimeBasisDecoder,
    {1, "Local"}, {2, "GMT"}, {3, "User defined"}, {4, "UTC"})

TREVALON_DEFINE_ENUM_DECODER(SEGYOverTravelDecoder, {1, "Down or behind"}, {2, "Up or ahead"})

TREVALON_DEFINE_ENUM_DECODER(SEGYTraceValMeasurementUnitDecoder,
    {-1, "User defined"}, {0, "Unkown"}, {1, "Pascal"}, {2, "Volts"}, {3, "Millivolts"},
    {4, "Amperes"}, {5, "Meters"}, {6, "Meters per second"}, {7, "Meters per second squared"},
    {8, "Newton"}, {9, "Watt"})

TREVALON_DEFINE_ENUM_DECODER(SEGYSourceTypeOrientationDecoder,
    {-1, "User defined"}, {0, "Unknown"}, {1, "Vibratory - Vertical"},
    {2, "Vibratory - Cross-line"}, {3, "Vibratory - In-line"}, {4, "Impulsive - Vertical"},
    {5, "Impulsive - Cross-line"}, {6, "Impulsive - In-line"},
    {7, "Distrib. Impulsive - Vertical"}, {8, "Distrib. Impulsive - Cross-line"},
    {9, "Distrib. Impulsive - In-line"})

TREVALON_DEFINE_ENUM_DECODER(SEGYSourceMeasurementUnitDecoder,
    {-1, "User defined"}, {0, "Unknown"}, {1, "Joule"}, {2, "Kilowatt"}, {3, "Pascal"},
    {4, "Bar or Bar-meter"}, {5, "Newton"}, {6, "Kilograms"})

TREVALON_DEFINE_ENUM_DECODER(SEGYTraceSortingCodeDecoder,
    {-1, "Other"}, {0, "Unknown"}, {1, "No sorting"}, {2, "CDP ensemble"},
    {3, "Single fold continous profile"}, {4, "Horizontally stacked"},
    {5, "Common source point"}, {6, "Common receiver point"}, {7, "Common offset point"},
    {8, "Common mid-point"}, {9, "Common conversion point"})

TREVALON_DEFINE_ENUM_DECODER(SEGYAmplitudeRecoveryMethodDecoder,
    {1, "None"}, {2, "Spherical divergence"}, {3, "AGC"}, {4, "Other"})

TREVALON_DEFINE_ENUM_DECODER(SEGYMeasurementSystemDecoder, {1, "Meters"}, {2, "Feet"})

TREVALON_DEFINE_ENUM_DECODER(SEGYImpulseSignalPolarityDecoder, {1, "Negative"}, {2, "Positive"})

TREVALON_DEFINE_ENUM_DECODER(SEGYVibratoryPolarityDecoder,
    {0, "Undefined"}, {1, "337.5\u00b0 to 22.5\u00b0"}, {2, "22.5\u00b0 to 67.5\u00b0"},
    {3, "67.5\u00b0 to 112.5\u00b0"}, {4, "112.5\u00b0 to 157.5\u00b0"},
    {5, "157.5\u00b0 to 202.5\u00b0"}, {6, "202.5\u00b0 to 247.5\u00b0"},
    {7, "247.5\u00b0 to 292.5\u00b0"}, {8, "292.5\u00b0 to 337.5\u00b0"})

#undef TREVALON_DEFINE_ENUM_DECODER

QString SEGYSampleIntervalDecoder::decode(const CHeader* header, bool* ok) const
{
    if (!header)
        return QString();
    const qint32 interval = header->value(m_fieldIndex);
    if (interval == 0) {
        if (ok)
            *ok = false;
        return QStringLiteral("0");
    }
    if (ok)
        *ok = true;
    // Three decimals, then the trailing zeros (and a bare point) dropped.
    QString number = QString::number(1000.0 / interval, 'f', 3);
    int end = number.size();
    while (number.at(end - 1) == QLatin1Char('0'))
        --end;
    if (number.at(end - 1) == QLatin1Char('.'))
        --end;
    number.truncate(end);
    if (number == QLatin1String("-0"))  // a huge negative interval
        number = QStringLiteral("0");
    return QStringLiteral("%1 KHz").arg(number);
}

QString sampleIntervalMillisecondsText(int microseconds)
{
    return QString::number(microseconds / 1000.0, 'g', 12);
}

QString SEGYCoordinateDecoder::decode(const CHeader* header, bool* ok) const
{
    QString text;
    if (header && dynamic_cast<const SEGYTraceHeader*>(header)) {
        const int units = header->value(TraceField::CoordinateUnit);
        const int scalar = header->value(TraceField::CoordinateScalar);
        double result = scaledValue(header->value(m_fieldIndex), scalar);

        const bool negative = result < 0;
        const QChar hemisphere = m_eastWest ? QLatin1Char(negative ? 'W' : 'E') : QLatin1Char(negative ? 'S' : 'N');
        result = std::fabs(result);

        QString number;
        if (!m_useCoordinateUnits) {
            number = QString::number(result, 'f', 2);
        } else {
            if (units == 2)
                result /= 3600.0;  // seconds of arc to degrees
            if (units == 1) {
                number = QString::number(result, 'f', 2);
            } else if (units == 2 || units == 3) {
                double degrees = std::trunc(result);
                const double minutesFull = (result - degrees) * 60.0;
                double minutes = std::trunc(minutesFull);
                double seconds = std::round((minutesFull - minutes) * 60.0);
                if (seconds == 60.0) {
                    seconds = 0.0;
                    minutes += 1.0;
                    if (minutes == 60.0) {
                        minutes = 0.0;
                        degrees += 1.0;
                    }
                }
                number = QStringLiteral("%1\u00b0 %2' %3\"")
                             .arg(QString::number(degrees, 'f', 0), QString::number(minutes, 'f', 0),
                                  QString::number(seconds, 'f', 3));
            } else {
                number = QString::number(result, 'f', 7);
            }
        }
        text = number + QLatin1Char(' ') + hemisphere;
    }
    if (ok)
        *ok = true;
    return text;
}

QString decodeField(const CHeader* header, int fieldIndex, DecoderKind kind, bool* ok)
{
    switch (kind) {
    case DecoderKind::None:
        break;
    case DecoderKind::SampleFormat:
        return SEGYSampleFormatDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::SampleInterval:
        return SEGYSampleIntervalDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::TraceIdentification:
        return SEGYTraceIdentificationDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::DataUse:
        return SEGYDataUseDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::Coordinate:
        return SEGYCoordinateDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::CoordinateEastWest:
        return SEGYCoordinateDecoder(fieldIndex, true).decode(header, ok);
    case DecoderKind::CoordinateNoUnits:
    case DecoderKind::CoordinateEastWestNoUnits: {
        SEGYCoordinateDecoder decoder(fieldIndex, kind == DecoderKind::CoordinateEastWestNoUnits);
        decoder.setUseCoordinateUnits(false);
        return decoder.decode(header, ok);
    }
    case DecoderKind::CoordinateUnit:
        return SEGYCoordinateUnitDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::DataTracesCorrelation:
        return SEGYDataTracesCorrelationDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::SweepType:
        return SEGYSweepTypeDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::TaperType:
        return SEGYTaperTypeDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::TimeBasis:
        return SEGYTimeBasisDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::OverTravel:
        return SEGYOverTravelDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::TraceValMeasurementUnit:
        return SEGYTraceValMeasurementUnitDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::SourceTypeOrientation:
        return SEGYSourceTypeOrientationDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::SourceMeasurementUnit:
        return SEGYSourceMeasurementUnitDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::TraceSortingCode:
        return SEGYTraceSortingCodeDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::BinaryGainRecovery:
        return SEGYBinaryGainRecoveryDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::AmplitudeRecoveryMethod:
        return SEGYAmplitudeRecoveryMethodDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::MeasurementSystem:
        return SEGYMeasurementSystemDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::ImpulseSignalPolarity:
        return SEGYImpulseSignalPolarityDecoder(fieldIndex).decode(header, ok);
    case DecoderKind::VibratoryPolarity:
        return SEGYVibratoryPolarityDecoder(fieldIndex).decode(header, ok);
    }
    return header ? QString::number(header->value(fieldIndex)) : QString();
}
