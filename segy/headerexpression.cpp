#include "headerexpression.h"

#include "headers.h"

#include <QRegularExpression>
#include <algorithm>
#include <limits>

namespace {

// Parentheses and unary minus nest at most this deep.
const int MaxNesting = 200;

}  // namespace

bool HeaderExpression::isPlainInteger(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("^\\s*[+-]?[0-9]+\\s*$"));
    return pattern.match(text).hasMatch();
}

bool HeaderExpression::compile(const QString& text, QString* badOffset)
{
    m_program.clear();
    m_text = text;
    m_pos = 0;
    m_nesting = 0;
    m_badOffset.clear();
    const bool ok = parseOperators(0) && (skipBlanks(), m_pos == m_text.size());
    if (badOffset)
        *badOffset = m_badOffset;
    if (!ok) {
        m_program.clear();
        return false;
    }
    // Stack slots: numbers, i, n and fields push one, binary operators pop one.
    int depth = 0;
    m_depth = 0;
    for (const Step& step : m_program) {
        if (step.op <= Op::CustomField)
            m_depth = std::max(m_depth, ++depth);
        else if (step.op != Op::Negate)
            --depth;
    }
    return true;
}

void HeaderExpression::skipBlanks()
{
    while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
        ++m_pos;
}

bool HeaderExpression::parseNumber(qint64* number)
{
    const int begin = m_pos;
    while (m_pos < m_text.size() && m_text.at(m_pos) >= QLatin1Char('0') && m_text.at(m_pos) <= QLatin1Char('9'))
        ++m_pos;
    if (m_pos == begin)
        return false;
    bool ok = false;
    *number = m_text.midRef(begin, m_pos - begin).toLongLong(&ok, 10);
    return ok;
}

namespace {

// The operator c stands for at a level of precedence (0: sums, 1:
// products), if any.
bool binaryOperator(QChar c, int level, HeaderExpression::Op* op)
{
    using Op = HeaderExpression::Op;
    static const struct {
        char symbol;
        int level;
        Op op;
    } operators[] = {{'+', 0, Op::Add},      {'-', 0, Op::Subtract}, {'*', 1, Op::Multiply},
                     {'/', 1, Op::Divide},   {'%', 1, Op::Remainder}};
    for (const auto& o : operators) {
        if (c == QLatin1Char(o.symbol) && level == o.level) {
            *op = o.op;
            return true;
        }
    }
    return false;
}

}  // namespace

bool HeaderExpression::parseOperators(int level)
{
    auto operand = [this, level] { return level == 0 ? parseOperators(1) : parseUnary(); };
    if (!operand())
        return false;
    for (;;) {
        skipBlanks();
        Op op;
        if (m_pos >= m_text.size() || !binaryOperator(m_text.at(m_pos), level, &op))
            return true;
        ++m_pos;
        if (!operand())
            return false;
        m_program.push_back({op});
    }
}

bool HeaderExpression::parseUnary()
{
    skipBlanks();
    if (m_pos < m_text.size() && m_text.at(m_pos) == QLatin1Char('-')) {
        ++m_pos;
        if (++m_nesting > MaxNesting || !parseUnary())
            return false;
        --m_nesting;
        m_program.push_back({Op::Negate});
        return true;
    }
    return parsePrimary();
}

bool HeaderExpression::parsePrimary()
{
    skipBlanks();
    if (m_pos >= m_text.size())
        return false;
    const QChar c = m_text.at(m_pos);
    if (c == QLatin1Char('(')) {
        ++m_pos;
        if (++m_nesting > MaxNesting || !parseOperators(0))
            return false;
        --m_nesting;
        skipBlanks();
        if (m_pos >= m_text.size() || m_text.at(m_pos) != QLatin1Char(')'))
            return false;
        ++m_pos;
        return true;
    }
    if (c == QLatin1Char('i') || c == QLatin1Char('n')) {
        ++m_pos;
        m_program.push_back({c == QLatin1Char('i') ? Op::Index : Op::Count});
        return true;
    }
    if (c == QLatin1Char('[')) {
        const int close = m_text.indexOf(QLatin1Char(']'), m_pos + 1);
        if (close < 0)
            return false;
        const QString startByte = m_text.mid(m_pos + 1, close - m_pos - 1).trimmed();
        const int field = traceHeaderFieldIndex(startByte);
        for (int k = 0; field < 0 && k < m_custom.size(); ++k) {
            if (m_custom[k].name.compare(startByte, Qt::CaseInsensitive) == 0) {
                m_program.push_back({Op::CustomField, k});
                m_pos = close + 1;
                return true;
            }
        }
        if (field < 0) {
            m_badOffset = startByte;
            return false;
        }
        const HeaderTable& table = traceHeaderTable();
        Step step{Op::Field, table.kinds[field], table.offsets[field]};
        m_program.push_back(step);
        m_pos = close + 1;
        return true;
    }
    Step step{Op::Number};
    if (!parseNumber(&step.number))
        return false;
    m_program.push_back(step);
    return true;
}

HeaderExpression::Outcome HeaderExpression::evaluate(const QList<SEGYTraceHeader*>& headers,
                                                     const std::vector<int>& traces, int fieldKind,
                                                     std::vector<qint32>* values) const
{
    std::vector<qint64> wide;
    const Outcome outcome =
        evaluate(headers, traces, [fieldKind](qint64 v) { return HeaderField::fitsKind(v, fieldKind); }, &wide);
    values->assign(wide.begin(), wide.end());
    return outcome;
}

HeaderExpression::Outcome HeaderExpression::evaluate(const QList<SEGYTraceHeader*>& headers,
                                                     const std::vector<int>& traces,
                                                     const std::function<bool(qint64)>& fits,
                                                     std::vector<qint64>* values) const
{
    Outcome outcome;
    values->assign(traces.size(), 0);
    std::vector<qint64> stack(size_t(m_depth) + 1);
    const qint64 count = headers.size();
    for (size_t k = 0; k < traces.size(); ++k) {
        const int trace = traces[k];
        const SEGYTraceHeader* header = trace >= 0 && trace < count ? headers.at(trace) : nullptr;
        qint64* top = stack.data() - 1;  // the last value pushed
        Failure failure = Failure::None;
        for (const Step& step : m_program) {
            switch (step.op) {
            case Op::Number: *++top = step.number; break;
            case Op::Index: *++top = trace; break;
            case Op::Count: *++top = count; break;
            case Op::Field: *++top = header ? header->valueAt(int(step.number), step.kind) : 0; break;
            case Op::CustomField:
                *++top = header && m_read ? m_read(header, m_custom[step.kind]).toInt64() : 0;
                break;
            case Op::Negate:
                if (__builtin_sub_overflow(qint64(0), *top, top))
                    failure = Failure::Overflow;
                break;
            default: {
                const qint64 right = *top--;
                qint64& left = *top;
                bool overflow = false;
                switch (step.op) {
                case Op::Add: overflow = __builtin_add_overflow(left, right, &left); break;
                case Op::Subtract: overflow = __builtin_sub_overflow(left, right, &left); break;
                case Op::Multiply: overflow = __builtin_mul_overflow(left, right, &left); break;
                default:  // division and remainder truncate toward zero, as C++ does
                    if (right == 0) {
                        failure = Failure::DivisionByZero;
                    } else if (right == -1 && left == std::numeric_limits<qint64>::min()) {
                        overflow = step.op == Op::Divide;
                        left = 0;
                    } else {
                        left = step.op == Op::Divide ? left / right : left % right;
                    }
                    break;
                }
                if (overflow)
                    failure = Failure::Overflow;
                break;
            }
            }
            if (failure != Failure::None)
                break;
        }
        if (failure == Failure::None && !fits(*top)) {
            failure = Failure::OutOfRange;
            outcome.value = *top;
        }
        if (failure != Failure::None) {
            outcome.failure = failure;
            outcome.trace = trace;
            values->clear();
            return outcome;
        }
        (*values)[k] = *top;
    }
    return outcome;
}
