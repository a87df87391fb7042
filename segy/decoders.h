#pragma once

#include "headerfields.h"

#include <QMap>
#include <QString>

class CHeader;

// Decoders turn the raw value of one header field into display text and say
// whether the value was recognised. They are small, short-lived objects: the
// header tables build one per cell. The code tables behind the enumeration
// decoders are built once and shared, so constructing a decoder allocates
// nothing.
class SEGYHeaderAbstractDecoder
{
public:
    explicit SEGYHeaderAbstractDecoder(int fieldIndex) : m_fieldIndex(fieldIndex) {}
    virtual ~SEGYHeaderAbstractDecoder() = default;

    int fieldIndex() const { return m_fieldIndex; }

    // Display text of the field in header (empty for a null header); ok, when
    // given, receives whether the value was recognised.
    virtual QString decode(const CHeader* header, bool* ok = nullptr) const = 0;

protected:
    int m_fieldIndex;
};

using SEGYDecoderCodeMap = QMap<qint32, QString>;

// Table-driven decoder: a known code gives its text, any other value
// "<value> - Non standard value".
class SEGYHeaderEnumDecoder : public SEGYHeaderAbstractDecoder
{
public:
    QString decode(const CHeader* header, bool* ok = nullptr) const override;
    const SEGYDecoderCodeMap& map() const { return *m_map; }

protected:
    SEGYHeaderEnumDecoder(int fieldIndex, const SEGYDecoderCodeMap& map)
        : SEGYHeaderAbstractDecoder(fieldIndex), m_map(&map) {}

private:
    const SEGYDecoderCodeMap* m_map;
};

#define TREVALON_ENUM_DECODER(Name)                                  \
    class Name : public SEGYHeaderEnumDecoder                        \
    {                                                                \
    public:                                                          \
        explicit Name(int fieldIndex);                               \
    };

TREVALON_ENUM_DECODER(SEGYSampleFormatDecoder)
TREVALON_ENUM_DECODER(SEGYTraceIdentificationDecoder)
TREVALON_ENUM_DECODER(SEGYDataUseDecoder)
TREVALON_ENUM_DECODER(SEGYCoordinateUnitDecoder)
TREVALON_ENUM_DECODER(SEGYDataTracesCorrelationDecoder)
TREVALON_ENUM_DECODER(SEGYSweepTypeDecoder)
TREVALON_ENUM_DECODER(SEGYTaperTypeDecoder)
TREVALON_ENUM_DECODER(SEGYTimeBasisDecoder)
TREVALON_ENUM_DECODER(SEGYOverTravelDecoder)
TREVALON_ENUM_DECODER(SEGYTraceValMeasurementUnitDecoder)
TREVALON_ENUM_DECODER(SEGYSourceTypeOrientationDecoder)
TREVALON_ENUM_DECODER(SEGYSourceMeasurementUnitDecoder)
TREVALON_ENUM_DECODER(SEGYTraceSortingCodeDecoder)
TREVALON_ENUM_DECODER(SEGYBinaryGainRecoveryDecoder)
TREVALON_ENUM_DECODER(SEGYAmplitudeRecoveryMethodDecoder)
TREVALON_ENUM_DECODER(SEGYMeasurementSystemDecoder)
TREVALON_ENUM_DECODER(SEGYImpulseSignalPolarityDecoder)
TREVALON_ENUM_DECODER(SEGYVibratoryPolarityDecoder)

#undef TREVALON_ENUM_DECODER

// Sample interval in microseconds shown as a sampling frequency:
// 1000 / interval in kilohertz, up to three decimals ("0.25 KHz").
class SEGYSampleIntervalDecoder : public SEGYHeaderAbstractDecoder
{
public:
    explicit SEGYSampleIntervalDecoder(int fieldIndex) : SEGYHeaderAbstractDecoder(fieldIndex) {}
    QString decode(const CHeader* header, bool* ok = nullptr) const override;
};

// A trace coordinate with the trace's coordinate scalar applied, shown by the
// trace's coordinate units (length, seconds of arc, degrees) and a hemisphere
// letter: "512345.60 E", "45° 30' 0.000\" N".
class SEGYCoordinateDecoder : public SEGYHeaderAbstractDecoder
{
public:
    explicit SEGYCoordinateDecoder(int fieldIndex, bool eastWest = false)
        : SEGYHeaderAbstractDecoder(fieldIndex), m_eastWest(eastWest) {}

    bool eastWest() const { return m_eastWest; }
    bool useCoordinateUnits() const { return m_useCoordinateUnits; }
    void setUseCoordinateUnits(bool use) { m_useCoordinateUnits = use; }

    QString decode(const CHeader* header, bool* ok = nullptr) const override;

private:
    bool m_eastWest = false;
    bool m_useCoordinateUnits = true;
};

// A sample interval in microseconds as milliseconds, without trailing zeros:
// 250 gives "0.25", 4000 gives "4".
QString sampleIntervalMillisecondsText(int microseconds);

// Display text of one field through the decoder the field table names.
QString decodeField(const CHeader* header, int fieldIndex, DecoderKind kind, bool* ok);
