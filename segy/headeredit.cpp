#include "headeredit.h"

#include "headers.h"
#include "segy.h"

#include <QCoreApplication>
#include <limits>
#include <numeric>

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("HeaderEdit", text);
}

// The fields whose values decide where the traces lie in the file.
bool movesTraces(BinaryField field)
{
    return field == BinaryField::SampleCount || field == BinaryField::FormatCode
           || field == BinaryField::ExtendedTextHeaders;
}

// A base-10 number that fits a field of this kind.
bool parseNumber(int kind, const QVariant& number, qint32* value)
{
    HeaderField parsed{kind, 0};
    if (!parsed.setValue(number))
        return false;
    *value = parsed.value;
    return true;
}

HeaderEdit::Result invalidUnless(bool ok, int field, bool binary, const QString& text)
{
    HeaderEdit::Result result;
    if (!ok) {
        result.failure = HeaderEdit::Failure::InvalidValue;
        result.field = field;
        result.binary = binary;
        result.text = text;
    }
    return result;
}

}  // namespace

std::vector<int> traceRange(int first, int end)
{
    std::vector<int> traces(size_t(qMax(end - first, 0)));
    std::iota(traces.begin(), traces.end(), first);
    return traces;
}

HeaderEdit::Result HeaderEdit::setBinaryValue(int field, const QVariant& number)
{
    qint32 value = 0;
    const bool ok = field >= 0 && field < binaryHeaderTable().count
                    && parseNumber(binaryHeaderTable().kinds[field], number, &value);
    if (ok)
        m_binary.push_back({field, value});
    return invalidUnless(ok, field, true, number.toString());
}

HeaderEdit::Result HeaderEdit::setTraceValue(int field, const QVariant& number)
{
    TraceValue traceValue;
    const bool ok = field >= 0 && field < traceHeaderTable().count
                    && parseNumber(traceHeaderTable().kinds[field], number, &traceValue.number);
    if (ok)
        m_traces[field] = traceValue;
    return invalidUnless(ok, field, false, number.toString());
}

HeaderEdit::Result HeaderEdit::setTraceExpression(int field, const QString& text)
{
    if (HeaderExpression::isPlainInteger(text))
        return setTraceValue(field, text);
    Result result;
    result.field = field;
    result.text = text;
    TraceValue traceValue;
    QString badOffset;
    traceValue.expression.setCustomFields(m_custom, m_read);
    if (field < 0 || field >= traceHeaderTable().count || !traceValue.expression.compile(text, &badOffset)) {
        result.failure = badOffset.isEmpty() ? Failure::InvalidValue : Failure::BadOffset;
        if (!badOffset.isEmpty())
            result.text = badOffset;
        return result;
    }
    traceValue.text = text;
    m_traces[field] = traceValue;
    return result;
}

HeaderEdit::Result HeaderEdit::setFieldValue(const FieldDescription& field, const QString& text)
{
    FieldValue value;
    bool rounded = false;
    const bool ok = parseFieldValue(text, field.type, &value, &rounded);
    if (!ok && field.block == HeaderBlock::Trace && !HeaderExpression::isPlainInteger(text)) {
        FieldExpression computed{field, text, {}};
        computed.expression.setCustomFields(m_custom, m_read);
        QString badOffset;
        if (computed.expression.compile(text, &badOffset)) {
            m_fieldExpressions.push_back(computed);
            return Result();
        }
        if (!badOffset.isEmpty()) {
            Result result;
            result.failure = Failure::BadOffset;
            result.text = badOffset;
            return result;
        }
    }
    Result result = invalidUnless(ok, field.standardIndex, field.block == HeaderBlock::Binary, text);
    if (ok) {
        m_fieldValues.emplace_back(field, value);
        result.rounded = rounded;
        result.stored = value;
    }
    return result;
}

HeaderEdit::Result HeaderEdit::apply(SEGY& segy, const std::vector<int>& traces) const
{
    HeaderChanges changes;
    for (const HeaderChanges::BinaryValue& value : m_binary)
        changes.setBinaryValue(value.field, value.value);
    changes.reserve(traces.size() * m_traces.size());
    const QList<SEGYTraceHeader*> headers = segy.traceHeaders();
    std::vector<qint32> values;
    for (const auto& [field, traceValue] : m_traces) {
        if (traceValue.text.isEmpty()) {
            for (int trace : traces)
                changes.setTraceValue(trace, field, traceValue.number);
            continue;
        }
        const HeaderExpression::Outcome outcome =
            traceValue.expression.evaluate(headers, traces, traceHeaderTable().kinds[field], &values);
        if (outcome.failure != HeaderExpression::Failure::None) {
            Result result;
            result.failure = outcome.failure == HeaderExpression::Failure::DivisionByZero ? Failure::DivisionByZero
                             : outcome.failure == HeaderExpression::Failure::Overflow     ? Failure::Overflow
                                                                                          : Failure::OutOfRange;
            result.field = field;
            result.text = traceValue.text;
            result.trace = outcome.trace;
            result.value = outcome.value;
            return result;
        }
        for (size_t k = 0; k < traces.size(); ++k)
            changes.setTraceValue(traces[k], field, values[k]);
    }
    // Custom fields set to expressions: every trace's value first.
    std::vector<std::vector<qint64>> computed(m_fieldExpressions.size());
    for (size_t e = 0; e < m_fieldExpressions.size(); ++e) {
        const FieldExpression& f = m_fieldExpressions[e];
        const HeaderExpression::Outcome outcome = f.expression.evaluate(
            headers, traces, [&f](qint64 v) { return integerFitsType(v, f.field.type); }, &computed[e]);
        if (outcome.failure != HeaderExpression::Failure::None) {
            Result result;
            result.text = f.text;
            result.trace = outcome.trace;
            result.value = outcome.value;
            result.failure = outcome.failure == HeaderExpression::Failure::DivisionByZero ? Failure::DivisionByZero
                             : outcome.failure == HeaderExpression::Failure::Overflow     ? Failure::Overflow
                                                                                          : Failure::Refused;
            if (result.failure == Failure::Refused)
                result.text = tr("%1 gives %2 at trace index %3, which is not a valid value for field %4 (%5).")
                                  .arg(f.text)
                                  .arg(outcome.value)
                                  .arg(outcome.trace)
                                  .arg(f.field.title(), valueTypeName(f.field.type));
            return result;
        }
    }
    // The custom fields of one header all at once: two that share a
    // standard field both keep their values.
    FieldValues binaryFields, traceFields;
    for (const auto& entry : m_fieldValues)
        (entry.first.block == HeaderBlock::Binary ? binaryFields : traceFields).push_back(entry);
    const size_t literal = traceFields.size();
    for (const FieldExpression& f : m_fieldExpressions)
        traceFields.emplace_back(f.field, FieldValue());
    for (int k = binaryFields.empty() ? 0 : -1; k < (traceFields.empty() ? 0 : int(traces.size())); ++k) {
        QString error;
        const int trace = k < 0 ? -1 : traces[size_t(k)];
        for (size_t e = 0; k >= 0 && e < m_fieldExpressions.size(); ++e)
            traceFields[literal + e].second = fieldValueOfInteger(computed[e][size_t(k)], m_fieldExpressions[e].field.type);
        if (!segy.addFieldChanges(&changes, trace, k < 0 ? binaryFields : traceFields, &error)) {
            Result result;
            result.failure = Failure::Refused;
            result.text = error;
            result.trace = trace;
            return result;
        }
    }
    if (changes.isEmpty()) {
        Result result;
        result.applied.ok = true;
        return result;
    }

    Result result;
    result.applied = segy.apply(changes);
    if (result.applied.ok)
        return result;
    if (result.applied.failedTrace >= 0 || !segy.mainHeader()) {
        result.failure = Failure::Refused;
        result.text = result.applied.error;
        result.trace = result.applied.failedTrace;
        return result;
    }
    // Every value fits its field and every trace exists: what is left to
    // refuse is the layout of the result.
    const ApplyResult applied = result.applied;
    result = layoutFailure();
    result.applied = applied;
    return result;
}

HeaderEdit::Result HeaderEdit::layoutFailure() const
{
    Result result;
    result.failure = Failure::Layout;
    for (const HeaderChanges::BinaryValue& value : m_binary) {
        const QString label = binaryHeaderLabels().at(value.field);
        if (movesTraces(AllBinaryFields[value.field]) && !result.layoutFields.contains(label))
            result.layoutFields.append(label);
    }
    if (m_traces.count(fieldIndex(TraceField::SampleCount)))
        result.layoutFields.append(traceHeaderLabels().at(fieldIndex(TraceField::SampleCount)));
    // A custom field that shares bytes with one of those fields, or with
    // the revision 2 fields the loader places traces by.
    using Range = std::pair<int, int>;  // first and last byte
    for (const auto& entry : m_fieldValues) {
        const FieldDescription& field = entry.first;
        const bool binary = field.block == HeaderBlock::Binary;
        const std::vector<Range> ranges = binary ? std::vector<Range>{{3221, 3222}, {3225, 3226}, {3505, 3506}, {3269, 3272},
                                                                      {3297, 3300}, {3507, 3510}, {3521, 3532}}
                                                 : std::vector<Range>{{115, 116}};
        for (const Range& range : ranges)
            if (field.standardIndex < 0 && field.startByte <= range.second && range.first < field.startByte + field.width()
                && !result.layoutFields.contains(field.title()))
                result.layoutFields.append(field.title());
    }
    // Otherwise the file's own layout rules refused them: name what was edited.
    if (result.layoutFields.isEmpty()) {
        for (const HeaderChanges::BinaryValue& value : m_binary)
            result.layoutFields.append(binaryHeaderLabels().at(value.field));
        for (const auto& entry : m_fieldValues)
            result.layoutFields.append(entry.first.title());
    }
    return result;
}
