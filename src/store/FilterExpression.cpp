#include "FilterExpression.h"

#include "Exceptions.h"
#include "FormatSettings.h"
#include "SqliteEngine.h"

#include <QDate>

namespace {

enum TokenKind { tkEnd, tkName, tkNumber, tkText, tkOperator, tkOpen, tkClose, tkAnd, tkOr, tkNot, tkNull };

struct Token
{
    TokenKind Kind = tkEnd;
    QString Text;
    int Position = 0;
};

class Parser
{
public:
    Parser(const QString &text, const QList<TFieldInfo> &fields) : m_text(text), m_fields(fields) { Advance(); }

    TSqlCondition Parse()
    {
        TSqlCondition condition;
        condition.Sql = ParseOr(condition.Params);
        if (m_token.Kind != tkEnd)
            Fail(QStringLiteral("unexpected '%1'").arg(m_token.Text));
        return condition;
    }

private:
    [[noreturn]] void Fail(const QString &what) const
    {
        // One arg call: a '%' in the user's text is never taken for a place of the message.
        throw EDatabaseError(QStringLiteral("Filter expression incorrect: %1 at position %2 of '%3'")
                                 .arg(what, QString::number(m_token.Position + 1), m_text));
    }

    void Advance()
    {
        while (m_pos < m_text.size() && m_text.at(m_pos).isSpace())
            ++m_pos;
        m_token = Token();
        m_token.Position = int(m_pos);
        if (m_pos >= m_text.size())
            return;
        const QChar ch = m_text.at(m_pos);
        if (ch == QLatin1Char('(') || ch == QLatin1Char(')')) {
            m_token.Kind = ch == QLatin1Char('(') ? tkOpen : tkClose;
            m_token.Text = ch;
            ++m_pos;
        } else if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            // Quoted text; the quote doubled stands for itself.
            QString value;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size())
                    Fail(QStringLiteral("unterminated text"));
                if (m_text.at(m_pos) == ch) {
                    if (m_pos + 1 < m_text.size() && m_text.at(m_pos + 1) == ch) {
                        value += ch;
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                value += m_text.at(m_pos++);
            }
            m_token.Kind = tkText;
            m_token.Text = value;
        } else if (ch == QLatin1Char('[')) {
            const qsizetype close = m_text.indexOf(QLatin1Char(']'), m_pos);
            if (close < 0)
                Fail(QStringLiteral("missing ']'"));
            m_token.Kind = tkName;
            m_token.Text = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
        } else if (ch == QLatin1Char('<') || ch == QLatin1Char('>') || ch == QLatin1Char('=')) {
            QString op(ch);
            ++m_pos;
            if (m_pos < m_text.size() && ch != QLatin1Char('=')
                && (m_text.at(m_pos) == QLatin1Char('=') || (ch == QLatin1Char('<') && m_text.at(m_pos) == QLatin1Char('>'))))
                op += m_text.at(m_pos++);
            m_token.Kind = tkOperator;
            m_token.Text = op;
        } else if (ch.isDigit() || ch == QLatin1Char('-') || ch == QLatin1Char('+') || ch == QLatin1Char('.')
                   || ch == FormatSettings().DecimalSeparator) {
            qsizetype end = m_pos + 1;
            while (end < m_text.size() && (m_text.at(end).isDigit() || m_text.at(end) == QLatin1Char('.')
                                           || m_text.at(end) == FormatSettings().DecimalSeparator))
                ++end;
            m_token.Kind = tkNumber;
            m_token.Text = m_text.mid(m_pos, end - m_pos);
            m_pos = end;
        } else if (ch.isLetter() || ch == QLatin1Char('_')) {
            qsizetype end = m_pos + 1;
            while (end < m_text.size() && (m_text.at(end).isLetterOrNumber() || m_text.at(end) == QLatin1Char('_')))
                ++end;
            m_token.Text = m_text.mid(m_pos, end - m_pos);
            m_pos = end;
            const QString upper = m_token.Text.toUpper();
            m_token.Kind = upper == QLatin1String("AND") ? tkAnd
                         : upper == QLatin1String("OR")  ? tkOr
                         : upper == QLatin1String("NOT") ? tkNot
                         : upper == QLatin1String("NULL") ? tkNull
                                                          : tkName;
        } else {
            m_token.Text = ch;
            Fail(QStringLiteral("unexpected '%1'").arg(ch));
        }
    }

    // A chain of terms joined by the same operator is built as a balanced tree: the engine
    // limits how deep a condition may be, and a long chain then stays shallow. The terms keep
    // their order, and with it the order of their parameters.
    static QString Join(const QStringList &terms, qsizetype from, qsizetype to, const QString &op)
    {
        if (to - from == 1)
            return terms.at(from);
        const qsizetype middle = from + (to - from) / 2;
        return QStringLiteral("(%1 %2 %3)").arg(Join(terms, from, middle, op), op, Join(terms, middle, to, op));
    }

    QString ParseOr(QVariantList &params)
    {
        QStringList terms{ParseAnd(params)};
        while (m_token.Kind == tkOr) {
            Advance();
            terms << ParseAnd(params);
        }
        return Join(terms, 0, terms.size(), QStringLiteral("OR"));
    }

    QString ParseAnd(QVariantList &params)
    {
        QStringList terms{ParseFactor(params)};
        while (m_token.Kind == tkAnd) {
            Advance();
            terms << ParseFactor(params);
        }
        return Join(terms, 0, terms.size(), QStringLiteral("AND"));
    }

    // Parentheses and NOT nest by recursion: the depth is bounded so that no text can exhaust
    // the stack (nor the engine's own limit on the depth of a condition).
    static constexpr int kMaxNesting = 100;

    QString ParseFactor(QVariantList &params)
    {
        if (m_token.Kind == tkNot || m_token.Kind == tkOpen) {
            if (m_nesting >= kMaxNesting)
                Fail(QStringLiteral("more than %1 nested parentheses or NOT").arg(kMaxNesting));
        }
        struct Nest
        {
            int &depth;
            explicit Nest(int &d) : depth(d) { ++depth; }
            ~Nest() { --depth; }
        };
        if (m_token.Kind == tkNot) {
            const Nest nest(m_nesting);
            Advance();
            return QStringLiteral("(NOT %1)").arg(ParseFactor(params));
        }
        if (m_token.Kind == tkOpen) {
            const Nest nest(m_nesting);
            Advance();
            const QString inner = ParseOr(params);
            if (m_token.Kind != tkClose)
                Fail(QStringLiteral("missing ')'"));
            Advance();
            return inner;
        }
        return ParseComparison(params);
    }

    const TFieldInfo *FindField(const QString &name) const
    {
        for (const TFieldInfo &field : m_fields)
            if (field.Name.compare(name, Qt::CaseInsensitive) == 0)
                return &field;
        return nullptr;
    }

    QString ParseComparison(QVariantList &params)
    {
        Token left = m_token;
        if (left.Kind != tkName && left.Kind != tkNumber && left.Kind != tkText && left.Kind != tkNull)
            Fail(left.Kind == tkEnd ? QStringLiteral("a comparison is missing") : QStringLiteral("unexpected '%1'").arg(left.Text));
        Advance();
        if (m_token.Kind != tkOperator)
            Fail(m_token.Kind == tkEnd ? QStringLiteral("an operator is missing") : QStringLiteral("operator expected instead of '%1'").arg(m_token.Text));
        QString op = m_token.Text;
        Advance();
        Token right = m_token;
        if (right.Kind != tkName && right.Kind != tkNumber && right.Kind != tkText && right.Kind != tkNull)
            Fail(QStringLiteral("a value is missing"));
        Advance();

        if (left.Kind != tkName) {
            if (right.Kind != tkName)
                Fail(QStringLiteral("a comparison needs a field"));
            std::swap(left, right);
            if (op == QLatin1String("<")) op = QStringLiteral(">");
            else if (op == QLatin1String(">")) op = QStringLiteral("<");
            else if (op == QLatin1String("<=")) op = QStringLiteral(">=");
            else if (op == QLatin1String(">=")) op = QStringLiteral("<=");
        }
        const TFieldInfo *field = FindField(left.Text);
        if (!field)
            throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(left.Text));
        const QString column = QuoteIdentifier(field->Name);

        if (right.Kind == tkName) {
            const TFieldInfo *other = FindField(right.Text);
            if (!other)
                throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(right.Text));
            return QStringLiteral("(%1 %2 %3)").arg(column, op, QuoteIdentifier(other->Name));
        }
        if (right.Kind == tkNull) {
            if (op == QLatin1String("="))
                return QStringLiteral("(%1 IS NULL)").arg(column);
            if (op == QLatin1String("<>"))
                return QStringLiteral("(%1 IS NOT NULL)").arg(column);
            Fail(QStringLiteral("NULL can only be compared with = or <>"));
        }

        const bool textField = field->Type == ftString || field->Type == ftUnknown;
        if (right.Kind == tkText && textField && right.Text.endsWith(QLatin1Char('*'))
            && (op == QLatin1String("=") || op == QLatin1String("<>"))) {
            const QString prefix = right.Text.chopped(1);
            params << prefix;
            const QString match = QStringLiteral("substr(%1, 1, %2) = ?").arg(column, QString::number(prefix.size()));
            return op == QLatin1String("=") ? QStringLiteral("(%1 IS NOT NULL AND %2)").arg(column, match)
                                            : QStringLiteral("(%1 IS NULL OR NOT %2)").arg(column, match);
        }
        params << Convert(*field, right.Text);
        if (op == QLatin1String("<>"))
            return QStringLiteral("(%1 IS NULL OR %1 <> ?)").arg(column);
        return QStringLiteral("(%1 %2 ?)").arg(column, op);
    }

    QVariant Convert(const TFieldInfo &field, const QString &text) const
    {
        switch (field.Type) {
        case ftInteger:
        case ftAutoInc: {
            qint64 value = 0;
            if (TryStrToInt64(text, value))
                return value;
            double fraction = 0;
            if (TryStrToFloat(QString(text).replace(QLatin1Char('.'), FormatSettings().DecimalSeparator), fraction))
                return fraction;
            break;
        }
        case ftFloat: {
            double value = 0;
            if (TryStrToFloat(QString(text).replace(QLatin1Char('.'), FormatSettings().DecimalSeparator), value))
                return value;
            break;
        }
        case ftDate: {
            TDateTime value = 0;
            if (TryStrToDate(text, value))
                return ToQDate(value);
            const QDate iso = QDate::fromString(text, Qt::ISODate);
            if (iso.isValid())
                return iso;
            break;
        }
        case ftString:
        case ftUnknown:
            return text;
        }
        throw EDatabaseError(QStringLiteral("Filter expression incorrect: '%1' is not a value for field '%2'").arg(text, field.Name));
    }

    QString m_text;
    const QList<TFieldInfo> &m_fields;
    qsizetype m_pos = 0;
    Token m_token;
    int m_nesting = 0;
};

} // namespace

TSqlCondition ParseFilter(const QString &text, const QList<TFieldInfo> &fields)
{
    if (text.trimmed().isEmpty())
        return TSqlCondition();
    return Parser(text, fields).Parse();
}
