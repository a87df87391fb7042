#pragma once

#include "fieldlayout.h"

#include <QList>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

class SEGYTraceHeader;

// An integer expression giving each trace its own value for a trace header
// field: decimal numbers, i (the trace's 0-based index in the file), n (the
// number of traces), [B] (the trace's value of the field that starts at
// byte B, or of a custom field by name), + - * / % (division truncates toward zero), unary minus and
// parentheses, with the usual precedence. Arithmetic is 64-bit and checked.
class HeaderExpression
{
public:
    // Whether the text is a plain decimal number (an optional sign and
    // digits, blanks around it) rather than an expression.
    static bool isPlainInteger(const QString& text);

    // Compiles the text; false when it is not such an expression. A field
    // reference naming no trace header field leaves its text in *badOffset
    // (empty otherwise).
    bool compile(const QString& text, QString* badOffset = nullptr);
    // Fields beyond the standard ones that [NAME] may name, read by read;
    // floats among them count as their nearest integer.
    void setCustomFields(const QList<FieldDescription>& fields, const FieldReader& read)
    {
        m_custom = fields;
        m_read = read;
    }

    enum class Failure { None, DivisionByZero, Overflow, OutOfRange };
    struct Outcome {
        Failure failure = Failure::None;
        int trace = -1;     // the first trace that failed
        qint64 value = 0;   // its value, for OutOfRange
    };

    // The value of each of the traces (indexes into headers), checked
    // against the range of a field kind, into values[k] for traces[k].
    // Stops at the first trace that fails, leaving values empty.
    Outcome evaluate(const QList<SEGYTraceHeader*>& headers, const std::vector<int>& traces, int fieldKind,
                     std::vector<qint32>* values) const;
    // The same with 64-bit values, checked by fits (a custom field's type).
    Outcome evaluate(const QList<SEGYTraceHeader*>& headers, const std::vector<int>& traces,
                     const std::function<bool(qint64)>& fits, std::vector<qint64>* values) const;

    enum class Op : quint8 { Number, Index, Count, Field, CustomField, Negate, Add, Subtract, Multiply, Divide, Remainder };

private:
    struct Step {
        Op op;
        int kind = 0;       // Field: the field's kind
        qint64 number = 0;  // Number: the value; Field: the byte offset in the header
    };

    // Recursive descent over m_text from m_pos, appending steps; level 0
    // parses a sum of products, level 1 a product of unary terms.
    bool parseOperators(int level);
    bool parseUnary();
    bool parsePrimary();
    void skipBlanks();
    bool parseNumber(qint64* number);

    std::vector<Step> m_program;  // postfix order
    int m_depth = 0;              // stack slots the program needs
    QString m_text;
    int m_pos = 0;
    int m_nesting = 0;
    QString m_badOffset;
    QList<FieldDescription> m_custom;
    FieldReader m_read;
};
