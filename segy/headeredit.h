#pragma once

#include "headerchanges.h"
#include "headerexpression.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <map>
#include <vector>

class SEGY;

// Header edits made in one step: trace header fields set over a list of
// traces, each to one number or to an expression computed per trace, and
// binary header fields set to numbers. Every value is computed before
// anything is stored; the whole set then goes to SEGY::apply as one set of
// changes, so it is stored completely or not at all and the trace layout is
// checked on the headers as they are after all of it.
class HeaderEdit
{
public:
    // Refused: the file object refused the changes for another reason (no
    // file, no such trace); text holds its message.
    enum class Failure { None, InvalidValue, BadOffset, DivisionByZero, Overflow, OutOfRange, Layout, Refused };

    struct Result {
        Failure failure = Failure::None;
        int field = -1;  // index of the field concerned (binary or trace)
        bool binary = false;
        QString text;    // the value text given for it; BadOffset: the start byte named
        int trace = -1;  // the first trace that failed
        qint64 value = 0;  // OutOfRange: what the expression gave there
        // Layout: labels of the edited fields that decide where traces lie.
        QStringList layoutFields;
        ApplyResult applied;  // what was stored
        // setFieldValue: a float type holds the number given only rounded,
        // to stored.
        bool rounded = false;
        FieldValue stored;

        bool ok() const { return failure == Failure::None; }
    };

    // A binary header field (by index) set to a base-10 number.
    Result setBinaryValue(int field, const QVariant& number);
    // A trace header field set to a base-10 number.
    Result setTraceValue(int field, const QVariant& number);
    // A trace header field set to a plain number or an expression (see
    // HeaderExpression). A later value of a field replaces an earlier one.
    Result setTraceExpression(int field, const QString& text);
    // Custom fields that expressions may name ([NAME]), given before them.
    void setCustomFields(const QList<FieldDescription>& fields, const FieldReader& read)
    {
        m_custom = fields;
        m_read = read;
    }
    // Any field (a custom one, by its type) set to a number: integers in the
    // type's range, decimal numbers for the float types; a trace header
    // field also to an expression, computed for each trace. Its bytes are
    // stored through the standard fields they belong to.
    Result setFieldValue(const FieldDescription& field, const QString& text);
    bool isEmpty() const { return m_binary.empty() && m_traces.empty() && m_fieldValues.empty() && m_fieldExpressions.empty(); }

    // Computes the trace values for the traces (file indexes) and stores
    // everything; the first failure leaves every header as it was.
    Result apply(SEGY& segy, const std::vector<int>& traces) const;

private:
    struct TraceValue {
        qint32 number = 0;
        QString text;  // the expression; empty for a number
        HeaderExpression expression;
    };
    Result layoutFailure() const;

    std::vector<HeaderChanges::BinaryValue> m_binary;
    std::map<int, TraceValue> m_traces;  // by field index
    std::vector<std::pair<FieldDescription, FieldValue>> m_fieldValues;
    struct FieldExpression {
        FieldDescription field;
        QString text;
        HeaderExpression expression;
    };
    std::vector<FieldExpression> m_fieldExpressions;
    QList<FieldDescription> m_custom;
    FieldReader m_read;
};

// The traces first to end - 1.
std::vector<int> traceRange(int first, int end);
