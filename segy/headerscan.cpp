#include "headerscan.h"

#include "headers.h"
#include "segy.h"

#include <QCoreApplication>
#include <functional>
#include <algorithm>
#include <cmath>
#include <tuple>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("HeaderScan", text);
}

// Traces judged in one contiguous block, and spread over the file.
constexpr int BlockTraces = 10000;
constexpr int SpreadTraces = 2048;

// How a sequence of values behaves from trace to trace.
struct Behaviour {
    int n = 0;
    bool plausible = true;   // finite, no float read out of integer bits
    bool integral = true;
    double minimum = 0, maximum = 0, typical = 0;  // typical: median magnitude
    qint64 changes = 0, rises = 0, falls = 0;
    double step = 0, stepShare = 0;  // the most common rise and its share of the rises
    int period = 0;                  // the most common number of traces between falls
    double periodShare = 0;
    double smoothness = 1;   // median change from trace to trace over the typical magnitude
    double tidiness = 0;     // share of values with at most two decimals
    qint64 distinct = 0;
    std::vector<int> fallsAt;

    bool constant() const { return changes == 0; }
    bool monotone() const { return changes > 0 && (falls == 0 || rises == 0); }
    double changeShare() const { return n > 1 ? double(changes) / (n - 1) : 0; }
};

// The most common value of a list, taken as its median, and the share of
// the list equal to it (the list is reordered).
std::pair<double, double> commonValue(std::vector<double>& list)
{
    if (list.empty())
        return {0, 0};
    std::nth_element(list.begin(), list.begin() + list.size() / 2, list.end());
    const double median = list[list.size() / 2];
    const auto equal = std::count(list.begin(), list.end(), median);
    return {median, double(equal) / list.size()};
}

// The median of at most 65,536 of the values, evenly picked.
double sampledMedian(const std::vector<double>& values)
{
    const size_t stride = std::max<size_t>(1, values.size() / 65536);
    std::vector<double> picked;
    for (size_t i = 0; i < values.size(); i += stride)
        picked.push_back(values[i]);
    if (picked.empty())
        return 0;
    std::nth_element(picked.begin(), picked.begin() + picked.size() / 2, picked.end());
    return picked[picked.size() / 2];
}

// full: also counts the distinct values, which costs a sort. A constant or
// implausible sequence is judged no further. Everything else is linear.
Behaviour judge(const std::vector<double>& v, bool full = true)
{
    Behaviour b;
    b.n = int(v.size());
    if (v.empty())
        return b;
    int tidy = 0;
    b.minimum = b.maximum = v[0];
    for (double x : v) {
        if (!std::isfinite(x) || (x != 0 && std::fabs(x) < 1e-20) || std::fabs(x) > 1e15) {
            b.plausible = false;
            return b;
        }
        b.integral = b.integral && x == std::floor(x);
        const double hundredths = x * 100;
        tidy += std::fabs(hundredths - std::round(hundredths)) < 1e-6 * std::max(1.0, std::fabs(hundredths));
        b.minimum = std::min(b.minimum, x);
        b.maximum = std::max(b.maximum, x);
    }
    b.tidiness = double(tidy) / b.n;
    b.distinct = 1;
    if (b.minimum == b.maximum) {
        b.typical = std::fabs(v[0]);
        return b;
    }
    std::vector<double> magnitudes(v.size()), differences, rises;
    for (size_t i = 0; i < v.size(); ++i)
        magnitudes[i] = std::fabs(v[i]);
    b.typical = sampledMedian(magnitudes);
    differences.reserve(v.size());
    for (int i = 1; i < b.n; ++i) {
        const double d = v[size_t(i)] - v[size_t(i - 1)];
        differences.push_back(std::fabs(d));
        if (d == 0)
            continue;
        ++b.changes;
        if (d > 0) {
            ++b.rises;
            rises.push_back(d);
        } else {
            ++b.falls;
            b.fallsAt.push_back(i);
        }
    }
    std::tie(b.step, b.stepShare) = commonValue(rises);
    // Cycles: falls at regular distances (the first counted from trace 0).
    std::vector<double> gaps;
    int previous = 0;
    for (int at : b.fallsAt) {
        gaps.push_back(at - previous);
        previous = at;
    }
    const auto period = commonValue(gaps);
    b.period = int(period.first);
    b.periodShare = period.second;
    if (b.typical > 0)
        b.smoothness = sampledMedian(differences) / b.typical;
    if (full) {
        std::vector<double> sorted = v;
        std::sort(sorted.begin(), sorted.end());
        b.distinct = std::unique(sorted.begin(), sorted.end()) - sorted.begin();
    } else {
        b.distinct = b.changes > 1 ? 3 : 2;  // at least
    }
    return b;
}

// Every even offset, each width, each type of that width.
QList<FieldDescription> candidates()
{
    QList<FieldDescription> list;
    const ValueType types[] = {ValueType::Int32, ValueType::Int16, ValueType::Ieee32, ValueType::Ibm32,
                               ValueType::Ieee64, ValueType::Int64};
    for (ValueType type : types) {
        for (int start = 1; start + valueTypeWidth(type) - 1 <= TraceHeaderSize; start += 2) {
            FieldDescription field;
            field.block = HeaderBlock::Trace;
            field.startByte = start;
            field.type = type;
            list.append(field);
        }
    }
    return list;
}

struct Scored {
    int candidate = -1;
    double score = 0;
    Behaviour behaviour;
};

bool overlaps(const FieldDescription& a, const FieldDescription& b)
{
    return a.startByte < b.startByte + b.width() && b.startByte < a.startByte + a.width();
}

// Among candidates of equal score: 4-byte integers first, then narrower
// integers, floats, 8-byte fields; then the lower byte.
int typeRank(ValueType type, bool ibmFile)
{
    switch (type) {
    case ValueType::Int32: return 0;
    case ValueType::Int16: return 1;
    case ValueType::Ieee32: return ibmFile ? 3 : 2;
    case ValueType::Ibm32: return ibmFile ? 2 : 3;
    case ValueType::Ieee64: return 4;
    default: return 5;
    }
}

// Where the standard puts each role: a candidate there is preferred when
// it behaves as well as one elsewhere. The trace sequence numbers (1-8)
// count traces, which looks like many roles and is none of them.
// One that starts inside a standard field rather than at one is rarely meant.
double placement(const FieldDescription& field, int standardByte)
{
    if (field.startByte == standardByte)
        return 0.5;
    static const QList<int>& starts = traceHeaderStartBytes();
    return (field.startByte < 9 ? -0.5 : 0) - (starts.contains(field.startByte) ? 0 : 0.25);
}

QString number(double v)
{
    return QString::number(v, 'g', 10);
}

QString wordsFor(double certainty)
{
    return certainty >= 0.95 ? QStringLiteral("high") : certainty >= 0.75 ? QStringLiteral("medium") : QStringLiteral("low");
}

}  // namespace

FieldLayout ScanResult::layout() const
{
    FieldLayout layout;
    for (const ScanSuggestion& s : suggestions) {
        FieldDescription field = s.field;
        field.name = s.role;
        field.description = QStringLiteral("%1 (%2 confidence)").arg(s.evidence, s.confidence);
        QString ignored;
        layout.add(field, &ignored);
    }
    return layout;
}

ScanResult scanTraceHeaders(const SEGY& segy)
{
    ScanResult result;
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    const int count = headers.size();
    if (count < 2)
        return result;
    const bool le = segy.isLittleEndian();
    const QList<FieldDescription> all = candidates();
    // A wide integer whose high half is always 0 gives the values of the
    // narrower one in its low half; when that one starts a standard field,
    // it is the likelier meaning.
    auto padded = [&](int c, const Behaviour& b) {
        const FieldDescription& field = all[c];
        if (isFloatType(field.type) || !b.integral)
            return 0.0;
        // Its low byte always 0: the bytes of a narrower field shifted up.
        const double unit = 256;
        if (b.minimum != b.maximum && std::fmod(b.minimum, unit) == 0 && std::fmod(b.maximum, unit) == 0
            && std::fmod(b.maximum - b.minimum, unit) == 0 && (b.step == 0 || std::fmod(b.step, unit) == 0))
            return 10.0;
        if (field.width() < 4)
            return 0.0;
        const double half = field.width() == 4 ? 32767 : 2147483647;
        const int lowStart = le ? field.startByte : field.startByte + field.width() / 2;
        return b.minimum >= -half - 1 && b.maximum <= half && traceHeaderStartBytes().contains(lowStart) ? 0.1 : 0.0;
    };
    // Float fields of a file of IBM samples are likelier IBM too.
    const bool ibmFile = segy.effectiveFormatCode() == 1;
    // The headers judged, as they lie in the file: a contiguous block from
    // the first trace, and traces spread evenly over the whole file.
    auto fileBytes = [&](const std::vector<int>& traces) {
        std::vector<uchar> bytes(traces.size() * TraceHeaderSize, 0);
        for (size_t k = 0; k < traces.size(); ++k)
            if (const SEGYTraceHeader* h = headers[traces[k]])
                h->encodeTo(bytes.data() + k * TraceHeaderSize, le);
        return bytes;
    };
    std::vector<int> block(size_t(std::min(count, BlockTraces)));
    for (size_t k = 0; k < block.size(); ++k)
        block[k] = int(k);
    std::vector<int> spread;
    for (int k = 0; k < std::min(count, SpreadTraces); ++k)
        spread.push_back(int(qint64(count - 1) * k / std::max(1, std::min(count, SpreadTraces) - 1)));
    const std::vector<uchar> blockBytes = fileBytes(block);
    const std::vector<uchar> spreadBytes = fileBytes(spread);
    result.tracesJudged = int(block.size());
    auto values = [&](const std::vector<uchar>& bytes, size_t n, const FieldDescription& field) {
        std::vector<double> v(n);
        for (size_t k = 0; k < n; ++k)
            v[k] = readFieldValue(bytes.data() + k * TraceHeaderSize, field, le).toDouble();
        return v;
    };
    std::vector<Behaviour> inBlock(size_t(all.size())), overFile(size_t(all.size()));
    for (int c = 0; c < all.size(); ++c) {
        inBlock[size_t(c)] = judge(values(blockBytes, block.size(), all[c]), false);
        if (inBlock[size_t(c)].plausible && !inBlock[size_t(c)].constant())
            overFile[size_t(c)] = judge(values(spreadBytes, spread.size(), all[c]), false);
    }

    QList<FieldDescription> taken;
    auto best = [&](const std::function<double(int)>& score) {
        Scored top;
        for (int c = 0; c < all.size(); ++c) {
            const Behaviour& b = inBlock[size_t(c)];
            if (!b.plausible || std::any_of(taken.begin(), taken.end(), [&](const FieldDescription& t) { return overlaps(t, all[c]); }))
                continue;
            const double s = score(c) - padded(c, b);
            if (s <= 0)
                continue;
            const bool better = top.candidate < 0 || s > top.score + 1e-9
                                || (std::fabs(s - top.score) <= 1e-9 && typeRank(all[c].type, ibmFile) < typeRank(all[top.candidate].type, ibmFile));
            if (better) {
                top.candidate = c;
                top.score = s;
                top.behaviour = b;
            }
        }
        return top;
    };
    auto suggest = [&](const QString& role, const Scored& s, double certainty, const QString& evidence) {
        if (s.candidate < 0)
            return;
        taken.append(all[s.candidate]);
        result.suggestions.append({role, all[s.candidate], wordsFor(certainty),
                                   QStringLiteral("%1 at %2: %3").arg(valueTypeName(all[s.candidate].type),
                                                                       all[s.candidate].label(), evidence)});
    };

    // Coordinates: magnitudes of map coordinates, changing smoothly.
    // Coordinates come first: their bytes hold low parts that cycle like a
    // crossline. Counters and grid numbers (small steps nearly everywhere)
    // are no coordinates.
    auto coordinateScore = [&](int c, int standardByte, bool everyTrace) {
        const Behaviour& b = inBlock[size_t(c)];
        const bool integerType = !isFloatType(all[c].type);
        if (b.constant() || b.typical < 1e4 || b.typical > (integerType ? 1e9 : 5e8) || b.smoothness > 0.01
            || b.distinct < 3 || (b.integral && b.step <= 4 && b.stepShare > 0.9))
            return 0.0;
        // The same bytes read as the other float type differ in the least
        // digits; the file's own sample type decides.
        const double floatKind = all[c].type == (ibmFile ? ValueType::Ibm32 : ValueType::Ieee32) ? 0.05 : 0;
        return 1 + b.tidiness + (1 - b.smoothness * 100) + (everyTrace ? std::min(1.0, b.changeShare()) : 0)
               + std::max(placement(all[c], standardByte), placement(all[c], standardByte + 4)) + floatKind;
    };
    // Pairs of coordinates: X and Y change on the same traces. CDP
    // coordinates change from trace to trace; source ones may hold still
    // over a shot's traces.
    auto pickPair = [&](const QString& x, const QString& y, bool everyTrace, int standardByte) {
        const Scored first = best([&](int c) {
            const double s = coordinateScore(c, standardByte, everyTrace);
            return !everyTrace || inBlock[size_t(c)].changeShare() >= 0.5 ? s : 0.0;
        });
        if (first.candidate < 0)
            return;
        taken.append(all[first.candidate]);
        const std::vector<double> a = values(blockBytes, block.size(), all[first.candidate]);
        const Scored second = best([&](int c) {
            const double s = coordinateScore(c, standardByte, everyTrace);
            if (s <= 0 || (everyTrace && inBlock[size_t(c)].changeShare() < 0.5))
                return 0.0;
            const std::vector<double> b = values(blockBytes, block.size(), all[c]);
            int together = 0, either = 0;
            for (size_t k = 1; k < a.size(); ++k) {
                const bool ca = a[k] != a[k - 1], cb = b[k] != b[k - 1];
                together += ca && cb;
                either += ca || cb;
            }
            return either > 0 && a != b ? s + double(together) / either : 0.0;
        });
        taken.removeLast();
        if (second.candidate < 0)
            return;
        const bool firstIsX = all[first.candidate].startByte < all[second.candidate].startByte;
        const Scored& sx = firstIsX ? first : second;
        const Scored& sy = firstIsX ? second : first;
        for (const Scored* s : {&sx, &sy}) {
            const Behaviour& b = s->behaviour;
            suggest(s == &sx ? x : y, *s, std::min(1.0, 0.5 + b.tidiness / 2 + (b.smoothness < 0.001 ? 0.25 : 0)),
                    tr("from %1 to %2, changing %3 in every 100 traces smoothly")
                        .arg(number(b.minimum), number(b.maximum))
                        .arg(qRound(b.changeShare() * 100)));
        }
    };
    pickPair(QStringLiteral("cdp_x"), QStringLiteral("cdp_y"), true, startByte(TraceField::CdpX));

    // Crossline: integers cycling with a regular period, on a grid step.
    const Scored crossline = best([&](int c) {
        const Behaviour& b = inBlock[size_t(c)];
        if (!b.integral || b.falls < 1 || b.period < 2 || b.distinct < 2 || b.typical >= 1e7)
            return 0.0;
        return b.periodShare + b.stepShare + placement(all[c], startByte(TraceField::Crossline));
    });
    if (crossline.candidate >= 0) {
        const Behaviour b = judge(values(blockBytes, block.size(), all[crossline.candidate]));
        suggest(QStringLiteral("crossline"), crossline, std::min(b.periodShare, b.stepShare),
                tr("cycles every %1 traces in steps of %2, %3 values").arg(b.period).arg(number(b.step)).arg(b.distinct));
    }
    // Inline: integers monotone over the file, constant in runs, changing
    // where the crossline starts a new cycle.
    const Scored inLine = best([&](int c) {
        const Behaviour& b = inBlock[size_t(c)];
        const Behaviour& f = overFile[size_t(c)];
        if (!b.integral || !f.monotone() || f.distinct < 2 || b.typical >= 1e7 || (b.changes > 0 && b.changeShare() > 0.5))
            return 0.0;
        double aligned = 0;
        if (crossline.candidate >= 0 && b.changes > 0) {
            const std::vector<int>& resets = crossline.behaviour.fallsAt;
            int matches = 0;
            std::vector<double> v = values(blockBytes, block.size(), all[c]);
            for (int at : resets)
                matches += v[size_t(at)] != v[size_t(at - 1)];
            aligned = resets.empty() ? 0 : double(matches) / std::max<qint64>(qint64(resets.size()), b.changes);
        }
        return 1 + aligned + (b.changes > 0 ? b.stepShare : f.stepShare) + placement(all[c], startByte(TraceField::Inline));
    });
    if (inLine.candidate >= 0) {
        Behaviour f = judge(values(spreadBytes, spread.size(), all[inLine.candidate]));
        const Behaviour& b = inBlock[size_t(inLine.candidate)];
        if (b.changes > 0)
            f.step = b.step;
        const double placed = placement(all[inLine.candidate], startByte(TraceField::Inline));
        suggest(QStringLiteral("inline"), inLine,
                std::min(1.0, (inLine.score - 1 - placed) / (crossline.candidate >= 0 ? 2 : 1)),
                tr("monotone from %1 to %2 in steps of %3, %4 values seen").arg(number(f.minimum), number(f.maximum))
                    .arg(number(f.step)).arg(f.distinct));
    }


    pickPair(QStringLiteral("source_x"), QStringLiteral("source_y"), false, startByte(TraceField::SourceX));

    // Offset: values cycling within each gather, other than the crossline's
    // (or the crossline's counted from elsewhere).
    auto shiftedCopy = [](const std::vector<double>& a, const std::vector<double>& b) {
        if (a.size() != b.size() || a.empty())
            return false;
        for (size_t k = 1; k < a.size(); ++k)
            if (a[k] - b[k] != a[0] - b[0])
                return false;
        return true;
    };
    const std::vector<double> crosslineValues =
        crossline.candidate >= 0 ? values(blockBytes, block.size(), all[crossline.candidate]) : std::vector<double>();
    const Scored offset = best([&](int c) {
        const Behaviour& b = inBlock[size_t(c)];
        // Offsets may be negative (split spreads), and repeat every gather of
        // two traces or more.
        const double magnitude = std::max(std::fabs(b.minimum), std::fabs(b.maximum));
        if (b.falls < 1 || b.periodShare < 0.6 || magnitude > 1e5 || magnitude == 0 || b.distinct < 2 || b.period < 2
            || shiftedCopy(values(blockBytes, block.size(), all[c]), crosslineValues))
            return 0.0;
        return b.periodShare + b.stepShare / 2 + placement(all[c], startByte(TraceField::Offset));
    });
    if (offset.candidate >= 0)
        suggest(QStringLiteral("offset"), offset, offset.behaviour.periodShare,
                tr("from %1 to %2, starting again every %3 traces").arg(number(offset.behaviour.minimum),
                                                                        number(offset.behaviour.maximum))
                    .arg(offset.behaviour.period));
    // Shot point: integers monotone over the file, besides the inline.
    const Scored shotPoint = best([&](int c) {
        const Behaviour& b = inBlock[size_t(c)];
        const Behaviour& f = overFile[size_t(c)];
        if (!b.integral || !f.monotone() || f.distinct < 2 || b.typical >= 1e7 || b.minimum < 0)
            return 0.0;
        return f.stepShare + placement(all[c], startByte(TraceField::ShotPoint));
    });
    if (shotPoint.candidate >= 0) {
        const Behaviour f = judge(values(spreadBytes, spread.size(), all[shotPoint.candidate]));
        suggest(QStringLiteral("shot_point"), shotPoint, std::min(0.9, f.stepShare),
                tr("monotone from %1 to %2, %3 values seen").arg(number(f.minimum), number(f.maximum)).arg(f.distinct));
    }

    // What was found in the block must hold over every trace: a role whose
    // pattern breaks further on is only a low-confidence guess. Integer
    // roles are followed over every trace; coordinates over pairs of
    // neighbouring traces spread across the file.
    const HeaderTable& table = traceHeaderTable();
    for (ScanSuggestion& s : result.suggestions) {
        // A field that is a standard one of the same width reads straight
        // from the header; any other through the header's file bytes.
        int standard = -1;
        for (int i = 0; i < table.count; ++i)
            if (table.startBytes[i] == s.field.startByte && table.specs[i].width == s.field.width()
                && !isFloatType(s.field.type))
                standard = i;
        uchar bytes[TraceHeaderSize];
        auto valueAt = [&](int t) {
            const SEGYTraceHeader* h = headers[t];
            if (!h)
                return 0.0;
            if (standard >= 0)
                return double(h->value(standard));
            h->encodeTo(bytes, le);
            return readFieldValue(bytes, s.field, le).toDouble();
        };
        bool holds = true;
        const bool coordinate = s.role.contains(QLatin1Char('_')) && s.role != QLatin1String("shot_point");
        if (coordinate) {
            std::vector<double> steps, magnitudes;
            const int stride = std::max(1, count / 32768);
            for (int t = 0; t + 1 < count; t += stride) {
                const double a = valueAt(t), b = valueAt(t + 1);
                holds = holds && std::isfinite(a) && std::isfinite(b);
                steps.push_back(std::fabs(b - a));
                magnitudes.push_back(std::fabs(a));
            }
            const double typical = sampledMedian(magnitudes);
            holds = holds && typical > 0 && sampledMedian(steps) / typical <= 0.01;
        } else {
            const bool cycles = s.role == QLatin1String("crossline") || s.role == QLatin1String("offset");
            const int period = cycles ? judge(values(blockBytes, block.size(), s.field), false).period : 0;
            qint64 rises = 0, falls = 0, regular = 0;
            int lastFall = 0;
            double previous = valueAt(0);
            for (int t = 1; t < count; ++t) {
                const double v = valueAt(t);
                rises += v > previous;
                if (v < previous) {
                    ++falls;
                    regular += t - lastFall == period;
                    lastFall = t;
                }
                previous = v;
            }
            holds = cycles ? falls > 0 && double(regular) / falls >= 0.75 : (falls == 0 || rises == 0);
        }
        if (!holds)
            s.confidence = QStringLiteral("low");
    }
    return result;
}
