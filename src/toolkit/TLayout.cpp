#include "TLayout.h"

#include "Exceptions.h"
#include "PictureData.h"
#include "QtColor.h"
#include "TLoadable.h"

#include <QEvent>
#include <QFont>
#include <QImage>
#include <QMetaProperty>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <algorithm>
#include <optional>

namespace {

// ---------------------------------------------------------------------------------------------
// Parsing

class Parser
{
public:
    explicit Parser(const QString &text) : m_data(reinterpret_cast<const char16_t *>(text.constData())), m_size(text.size()) {}

    TLayoutObject ParseRoot()
    {
        SkipBlanks();
        TLayoutObject root = ParseObject();
        SkipBlanks();
        if (m_pos < m_size)
            Fail(QStringLiteral("text after the last 'end'"));
        return root;
    }

private:
    // The text is read as UTF-16 code units; everything the syntax itself uses is ASCII, so the
    // common cases are decided without asking QChar.
    static bool IsBlank(char16_t c)
    {
        return c == u' ' || c == u'\n' || c == u'\r' || c == u'\t' || c == u'\f' || c == u'\v'
            || (c >= 0x80 && QChar::isSpace(c));
    }
    static bool IsWordPart(char16_t c)
    {
        if (c < 0x80)
            return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' || c == u'.';
        return QChar::isLetterOrNumber(c);
    }
    static bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
    static int HexValue(char16_t c)
    {
        if (c >= u'0' && c <= u'9')
            return c - u'0';
        if (c >= u'a' && c <= u'f')
            return c - u'a' + 10;
        if (c >= u'A' && c <= u'F')
            return c - u'A' + 10;
        return -1;
    }

    [[noreturn]] void Fail(const QString &what) const
    {
        throw EInvalidOperation(QStringLiteral("Layout line %1: %2").arg(m_line).arg(what));
    }

    // The code unit `ahead` places on, 0 past the end.
    char16_t Peek(qsizetype ahead = 0) const { return m_pos + ahead < m_size ? m_data[m_pos + ahead] : u'\0'; }

    void Advance()
    {
        if (m_pos < m_size && m_data[m_pos] == u'\n')
            ++m_line;
        ++m_pos;
    }

    QStringView Span(qsizetype start) const { return QStringView(m_data + start, m_pos - start); }

    void SkipBlanks()
    {
        while (m_pos < m_size) {
            const char16_t c = m_data[m_pos];
            if (IsBlank(c)) {
                Advance();
            } else if (c == u'/' && Peek(1) == u'/') {
                while (m_pos < m_size && m_data[m_pos] != u'\n')
                    ++m_pos;
            } else {
                return;
            }
        }
    }

    QStringView Word()
    {
        SkipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_size && IsWordPart(m_data[m_pos]))
            ++m_pos; // no line ends in a word
        return Span(start);
    }

    static bool Is(QStringView word, const char *keyword)
    {
        return word.compare(QLatin1String(keyword), Qt::CaseInsensitive) == 0;
    }

    void Expect(char16_t ch)
    {
        SkipBlanks();
        if (Peek() != ch)
            Fail(QStringLiteral("'%1' expected").arg(QChar(ch)));
        Advance();
    }

    TLayoutObject ParseObject()
    {
        TLayoutObject object;
        object.Line = m_line;
        if (!Is(Word(), "object"))
            Fail(QStringLiteral("'object' expected"));
        object.Name = Word().toString();
        Expect(u':');
        object.ClassName = Word().toString();
        if (object.Name.isEmpty() || object.ClassName.isEmpty())
            Fail(QStringLiteral("an object needs a name and a class"));
        for (;;) {
            SkipBlanks();
            const qsizetype mark = m_pos;
            const QStringView word = Word();
            if (word.isEmpty())
                Fail(m_pos >= m_size ? QStringLiteral("'end' missing for object %1").arg(object.Name)
                                     : QStringLiteral("unexpected '%1'").arg(QChar(Peek())));
            if (Is(word, "end"))
                return object;
            if (Is(word, "object")) {
                m_pos = mark;
                object.Children.append(ParseObject());
                continue;
            }
            TLayoutProperty property;
            property.Name = word.toString();
            property.Line = m_line;
            Expect(u'=');
            property.Value = ParseValue();
            object.Properties.append(std::move(property));
        }
    }

    QString ParseText()
    {
        // 'text' pieces and #code characters, joined by '+' across lines.
        QString text;
        for (;;) {
            SkipBlanks();
            if (Peek() == u'\'') {
                ++m_pos;
                for (;;) {
                    const qsizetype start = m_pos;
                    while (m_pos < m_size && m_data[m_pos] != u'\'' && m_data[m_pos] != u'\n')
                        ++m_pos;
                    text += Span(start);
                    if (m_pos >= m_size || m_data[m_pos] == u'\n')
                        Fail(QStringLiteral("text not closed"));
                    if (Peek(1) == u'\'') { // '' stands for a quote
                        text += QLatin1Char('\'');
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
            } else if (Peek() == u'#') {
                ++m_pos;
                const qsizetype start = m_pos;
                while (IsDigit(Peek()))
                    ++m_pos;
                bool ok = false;
                const int code = Span(start).toInt(&ok);
                if (!ok)
                    Fail(QStringLiteral("character code expected after '#'"));
                text += QChar(code);
            } else {
                Fail(QStringLiteral("text expected"));
            }
            // 'a'#13'b' runs on without blanks; pieces apart are joined only with '+'.
            if (Peek() == u'\'' || Peek() == u'#')
                continue;
            const qsizetype mark = m_pos;
            const int markLine = m_line;
            SkipBlanks();
            if (Peek() == u'+') {
                ++m_pos;
                continue;
            }
            m_pos = mark;
            m_line = markLine;
            return text;
        }
    }

    QByteArray ParseBinary()
    {
        // Pairs of hexadecimal digits, any blanks and line ends between them.
        const qsizetype close = QStringView(m_data + m_pos, m_size - m_pos).indexOf(u'}');
        QByteArray bytes;
        if (close > 0)
            bytes.reserve(close / 2);
        int high = -1;
        for (;;) {
            if (m_pos >= m_size)
                Fail(QStringLiteral("'}' missing"));
            const char16_t c = m_data[m_pos];
            if (c == u'}')
                break;
            if (IsBlank(c)) {
                Advance();
                continue;
            }
            const int nibble = HexValue(c);
            if (nibble < 0)
                Fail(QStringLiteral("hexadecimal digit expected"));
            if (high < 0) {
                high = nibble;
            } else {
                bytes.append(char((high << 4) | nibble));
                high = -1;
            }
            ++m_pos;
        }
        ++m_pos;
        if (high >= 0)
            Fail(QStringLiteral("odd number of hexadecimal digits"));
        return bytes;
    }

    TLayoutValue ParseValue()
    {
        SkipBlanks();
        TLayoutValue value;
        const char16_t ch = Peek();
        if (ch == u'\'' || ch == u'#') {
            value.ValueKind = TLayoutValue::Text;
            value.TextValue = ParseText();
        } else if (ch == u'[') {
            ++m_pos;
            value.ValueKind = TLayoutValue::Set;
            for (;;) {
                SkipBlanks();
                if (Peek() == u']') {
                    ++m_pos;
                    break;
                }
                const QStringView item = Word();
                if (item.isEmpty())
                    Fail(QStringLiteral("set element expected"));
                value.Items << item.toString();
                SkipBlanks();
                if (Peek() == u',')
                    ++m_pos;
            }
        } else if (ch == u'(') {
            ++m_pos;
            value.ValueKind = TLayoutValue::TextList;
            for (;;) {
                SkipBlanks();
                if (Peek() == u')') {
                    ++m_pos;
                    break;
                }
                value.Items << ParseText();
            }
        } else if (ch == u'<') {
            ++m_pos;
            value.ValueKind = TLayoutValue::Collection;
            for (;;) {
                SkipBlanks();
                if (Peek() == u'>') {
                    ++m_pos;
                    break;
                }
                if (!Is(Word(), "item"))
                    Fail(QStringLiteral("'item' expected"));
                QVariantMap entry;
                for (;;) {
                    const QStringView name = Word();
                    if (name.isEmpty())
                        Fail(QStringLiteral("'end' missing for an item"));
                    if (Is(name, "end"))
                        break;
                    const QString key = name.toString();
                    Expect(u'=');
                    entry.insert(key, ParseValue().ToVariant());
                }
                value.Entries.append(entry);
            }
        } else if (ch == u'{') {
            ++m_pos;
            value.ValueKind = TLayoutValue::Binary;
            value.Bytes = ParseBinary();
        } else if (ch == u'$') {
            ++m_pos;
            const QStringView digits = Word();
            bool ok = false;
            value.ValueKind = TLayoutValue::Integer;
            value.IntegerValue = qint64(digits.toULongLong(&ok, 16));
            if (!ok)
                Fail(QStringLiteral("hexadecimal number expected"));
        } else if (IsDigit(ch) || ch == u'-' || ch == u'+') {
            const qsizetype start = m_pos;
            ++m_pos;
            bool decimal = false;
            for (char16_t c = Peek(); IsDigit(c) || c == u'.' || c == u'e' || c == u'E'; c = Peek()) {
                decimal = decimal || !IsDigit(c);
                ++m_pos;
            }
            const QStringView number = Span(start);
            bool ok = false;
            if (decimal) {
                value.ValueKind = TLayoutValue::Float;
                value.FloatValue = number.toDouble(&ok);
            } else {
                value.ValueKind = TLayoutValue::Integer;
                value.IntegerValue = number.toLongLong(&ok);
            }
            if (!ok)
                Fail(QStringLiteral("'%1' is not a number").arg(number));
        } else {
            value.ValueKind = TLayoutValue::Identifier;
            value.TextValue = Word().toString();
            if (value.TextValue.isEmpty())
                Fail(QStringLiteral("value expected"));
        }
        return value;
    }

    const char16_t *m_data;
    qsizetype m_size;
    qsizetype m_pos = 0;
    int m_line = 1;
};

// ---------------------------------------------------------------------------------------------
// Fonts and cursors

QString FontFamily(const QString &name)
{
    if (name.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (name.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (name.compare(QLatin1String("Terminal"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("DejaVu Sans Mono");
    return name;
}

bool CursorFromName(const QString &name, Qt::CursorShape &shape)
{
    static const QHash<QString, Qt::CursorShape> cursors{
        {QStringLiteral("crDefault"), Qt::ArrowCursor},   {QStringLiteral("crArrow"), Qt::ArrowCursor},
        {QStringLiteral("crHandPoint"), Qt::PointingHandCursor}, {QStringLiteral("crNo"), Qt::ForbiddenCursor},
        {QStringLiteral("crIBeam"), Qt::IBeamCursor},     {QStringLiteral("crCross"), Qt::CrossCursor},
        {QStringLiteral("crHourGlass"), Qt::WaitCursor},  {QStringLiteral("crSizeAll"), Qt::SizeAllCursor},
    };
    const auto it = cursors.constFind(name);
    if (it == cursors.constEnd())
        return false;
    shape = *it;
    return true;
}

// Properties that the program's layouts carry for the platform they were designed on and that
// have no meaning here; they are accepted and kept as plain values.
const QSet<QString> &KeptOnly()
{
    static const QSet<QString> names{
        QStringLiteral("ParentFont"), QStringLiteral("ParentColor"), QStringLiteral("ParentShowHint"), QStringLiteral("ShowHint"),
        QStringLiteral("Ctl3D"), QStringLiteral("ParentCtl3D"), QStringLiteral("TabStop"), QStringLiteral("PixelsPerInch"),
        QStringLiteral("TextHeight"), QStringLiteral("Scaled"), QStringLiteral("OldCreateOrder"), QStringLiteral("DesignSize"),
        QStringLiteral("ExplicitLeft"), QStringLiteral("ExplicitTop"), QStringLiteral("ExplicitWidth"), QStringLiteral("ExplicitHeight"),
        QStringLiteral("HelpContext"), QStringLiteral("About"),
    };
    return names;
}

// ---------------------------------------------------------------------------------------------
// Values for published properties, one converter per property type

// A value that does not suit the property; the loader adds the line.
struct Refusal
{
    QString Message;
};

// A colour as layouts write it: a number ($00BBGGRR, $800000nn for a system colour) or a name.
std::optional<qint32> ParseColour(const TLayoutValue &value)
{
    if (value.ValueKind == TLayoutValue::Integer)
        return qint32(quint32(value.IntegerValue));
    qint32 colour = 0;
    if (value.ValueKind == TLayoutValue::Identifier && ColorFromName(value.TextValue, colour))
        return colour;
    return std::nullopt;
}

std::optional<TAlign> AlignFromName(const QString &name)
{
    static const QHash<QString, TAlign> aligns{{QStringLiteral("alNone"), alNone}, {QStringLiteral("alTop"), alTop},
                                               {QStringLiteral("alBottom"), alBottom}, {QStringLiteral("alLeft"), alLeft},
                                               {QStringLiteral("alRight"), alRight}, {QStringLiteral("alClient"), alClient}};
    const auto it = aligns.constFind(name);
    return it == aligns.constEnd() ? std::nullopt : std::optional<TAlign>(*it);
}

// One value of an enumeration, or a set of its flags ([] is none).
QVariant ToEnumeration(const TLayoutValue &value, const QMetaEnum &enumerator)
{
    const auto kind = value.ValueKind;
    bool ok = kind == TLayoutValue::Integer;
    int number = int(value.IntegerValue);
    if (kind == TLayoutValue::Identifier)
        number = enumerator.keyToValue(value.TextValue.toLatin1().constData(), &ok);
    else if (kind == TLayoutValue::Set)
        number = value.Items.isEmpty() ? (ok = true, 0) : enumerator.keysToValue(value.Items.join(QLatin1Char('|')).toLatin1().constData(), &ok);
    if (!ok)
        throw Refusal{QStringLiteral("'%1' is no value of %2").arg(kind == TLayoutValue::Set ? value.Items.join(QStringLiteral(", ")) : value.TextValue,
                                                                   QString::fromLatin1(enumerator.name()))};
    return number;
}

QVariant ToBool(const TLayoutValue &value, QMetaType, const QString &name)
{
    const bool isTrue = value.TextValue.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    if (value.ValueKind != TLayoutValue::Identifier || (!isTrue && value.TextValue.compare(QLatin1String("False"), Qt::CaseInsensitive) != 0))
        throw Refusal{QStringLiteral("True or False expected for %1").arg(name)};
    return isTrue;
}

// Whole numbers; a colour name stands for its colour value.
QVariant ToInteger(const TLayoutValue &value, QMetaType type, const QString &name)
{
    if (value.ValueKind == TLayoutValue::Integer)
        // An int takes $80000005 style colour codes as the negative numbers they are.
        return type.id() == QMetaType::Int ? QVariant(int(qint32(quint32(value.IntegerValue)))) : QVariant(value.IntegerValue);
    if (value.ValueKind == TLayoutValue::Identifier)
        if (const std::optional<qint32> colour = ParseColour(value))
            return *colour;
    throw Refusal{QStringLiteral("a number expected for %1").arg(name)};
}

QVariant ToDouble(const TLayoutValue &value, QMetaType, const QString &name)
{
    if (value.ValueKind == TLayoutValue::Integer)
        return double(value.IntegerValue);
    if (value.ValueKind == TLayoutValue::Float)
        return value.FloatValue;
    throw Refusal{QStringLiteral("a number expected for %1").arg(name)};
}

// A list of texts makes one text of lines.
QVariant ToText(const TLayoutValue &value, QMetaType, const QString &name)
{
    if (value.ValueKind == TLayoutValue::Text || value.ValueKind == TLayoutValue::Identifier)
        return value.TextValue;
    if (value.ValueKind == TLayoutValue::TextList)
        return value.Items.join(QLatin1Char('\n'));
    throw Refusal{QStringLiteral("text expected for %1").arg(name)};
}

QVariant ToTextList(const TLayoutValue &value, QMetaType, const QString &name)
{
    if (value.ValueKind != TLayoutValue::TextList)
        throw Refusal{QStringLiteral("a list of texts expected for %1").arg(name)};
    return value.Items;
}

QVariant ToCollection(const TLayoutValue &value, QMetaType, const QString &name)
{
    if (value.ValueKind != TLayoutValue::Collection)
        throw Refusal{QStringLiteral("a collection of items expected for %1").arg(name)};
    return value.Entries;
}

QVariant ToBytes(const TLayoutValue &value, QMetaType, const QString &name)
{
    if (value.ValueKind != TLayoutValue::Binary)
        throw Refusal{QStringLiteral("binary data expected for %1").arg(name)};
    return value.Bytes;
}

// Stored picture data, decoded (a picture decoded ahead is taken as it is).
QVariant ToPicture(const TLayoutValue &value, QMetaType type, const QString &name)
{
    if (value.ValueKind != TLayoutValue::Binary)
        throw Refusal{QStringLiteral("binary data expected for %1").arg(name)};
    QImage image;
    try {
        image = DecodePicture(value.Bytes);
    } catch (const EInvalidOperation &) {
        throw Refusal{QStringLiteral("the picture of %1 cannot be read").arg(name)};
    }
    return type.id() == QMetaType::QImage ? QVariant(image) : QVariant(QPixmap::fromImage(image));
}

using TConverter = QVariant (*)(const TLayoutValue &value, QMetaType type, const QString &name);

// nullptr for a type that layouts cannot set.
TConverter ConverterFor(int typeId)
{
    switch (typeId) {
    case QMetaType::Bool: return ToBool;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::UChar:
    case QMetaType::SChar: return ToInteger;
    case QMetaType::Double:
    case QMetaType::Float: return ToDouble;
    case QMetaType::QString: return ToText;
    case QMetaType::QStringList: return ToTextList;
    case QMetaType::QVariantList: return ToCollection;
    case QMetaType::QByteArray: return ToBytes;
    case QMetaType::QImage:
    case QMetaType::QPixmap: return ToPicture;
    default: return nullptr;
    }
}

class Realigner : public QObject
{
public:
    using QObject::QObject;

protected:
    // Watches the container (its size) and its docked children (a child that sizes itself, an
    // auto-sized label say, is put back in its place).
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Resize && event->type() != QEvent::LayoutRequest)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        Realign(widget == parent() ? widget : widget->parentWidget());
        return false;
    }
};

const char *const kAlignProperty = "tallimoAlign";

} // namespace

// -------------------------------------------------------------------------------------------------

QVariant TLayoutValue::ToVariant() const
{
    switch (ValueKind) {
    case Integer: return IntegerValue;
    case Float: return FloatValue;
    case Text:
    case Identifier: return TextValue;
    case Set:
    case TextList: return Items;
    case Binary: return Bytes;
    case Collection: return Entries;
    }
    return QVariant();
}

TLayoutObject ParseLayout(const QString &text)
{
    return Parser(text).ParseRoot();
}

QObject *TClassRegistry::Create(const QString &className, QObject *owner, QWidget *parent) const
{
    const auto it = m_factories.constFind(className);
    if (it == m_factories.constEnd())
        throw EInvalidOperation(QStringLiteral("Class %1 not found").arg(className));
    return (*it)(owner, parent);
}

bool ColorFromName(const QString &name, qint32 &color)
{
    static const QHash<QString, TColor> colours{
        {QStringLiteral("clBlack"), clBlack},       {QStringLiteral("clMaroon"), clMaroon},
        {QStringLiteral("clGreen"), clGreen},       {QStringLiteral("clOlive"), clOlive},
        {QStringLiteral("clNavy"), clNavy},         {QStringLiteral("clPurple"), clPurple},
        {QStringLiteral("clTeal"), clTeal},         {QStringLiteral("clGray"), clGray},
        {QStringLiteral("clSilver"), clSilver},     {QStringLiteral("clRed"), clRed},
        {QStringLiteral("clLime"), clLime},         {QStringLiteral("clYellow"), clYellow},
        {QStringLiteral("clBlue"), clBlue},         {QStringLiteral("clFuchsia"), clFuchsia},
        {QStringLiteral("clAqua"), clAqua},         {QStringLiteral("clWhite"), clWhite},
        {QStringLiteral("clNone"), clNone},         {QStringLiteral("clDefault"), clDefault},
        {QStringLiteral("clScrollBar"), clScrollBar}, {QStringLiteral("clBackground"), clBackground},
        {QStringLiteral("clActiveCaption"), clActiveCaption}, {QStringLiteral("clInactiveCaption"), clInactiveCaption},
        {QStringLiteral("clMenu"), clMenu},         {QStringLiteral("clWindow"), clWindow},
        {QStringLiteral("clWindowFrame"), clWindowFrame}, {QStringLiteral("clMenuText"), clMenuText},
        {QStringLiteral("clWindowText"), clWindowText}, {QStringLiteral("clCaptionText"), clCaptionText},
        {QStringLiteral("clActiveBorder"), clActiveBorder}, {QStringLiteral("clInactiveBorder"), clInactiveBorder},
        {QStringLiteral("clAppWorkSpace"), clAppWorkSpace}, {QStringLiteral("clHighlight"), clHighlight},
        {QStringLiteral("clHighlightText"), clHighlightText}, {QStringLiteral("clBtnFace"), clBtnFace},
        {QStringLiteral("clBtnShadow"), clBtnShadow}, {QStringLiteral("clGrayText"), clGrayText},
        {QStringLiteral("clBtnText"), clBtnText},   {QStringLiteral("clInactiveCaptionText"), clInactiveCaptionText},
        {QStringLiteral("clBtnHighlight"), clBtnHighlight}, {QStringLiteral("cl3DDkShadow"), cl3DDkShadow},
        {QStringLiteral("cl3DLight"), cl3DLight},   {QStringLiteral("clInfoText"), clInfoText},
        {QStringLiteral("clInfoBk"), clInfoBk},
    };
    const auto it = colours.constFind(name);
    if (it == colours.constEnd())
        return false;
    color = *it;
    return true;
}

void TLayoutLoader::ApplyFont(QFont &font, const QString &part, const TLayoutValue &value, int line) const
{
    if (part == QLatin1String("Name") && value.ValueKind == TLayoutValue::Text)
        font.setFamily(FontFamily(value.TextValue));
    else if (part == QLatin1String("Height") && value.ValueKind == TLayoutValue::Integer)
        font.setPixelSize(int(qAbs(value.IntegerValue)));
    else if (part == QLatin1String("Size") && value.ValueKind == TLayoutValue::Integer)
        font.setPointSize(int(value.IntegerValue));
    else if (part == QLatin1String("Style") && value.ValueKind == TLayoutValue::Set) {
        font.setBold(value.Items.contains(QLatin1String("fsBold")));
        font.setItalic(value.Items.contains(QLatin1String("fsItalic")));
        font.setUnderline(value.Items.contains(QLatin1String("fsUnderline")));
        font.setStrikeOut(value.Items.contains(QLatin1String("fsStrikeOut")));
    } else if (part != QLatin1String("Charset") && part != QLatin1String("Pitch"))
        Fail(line, QStringLiteral("Font has no property '%1' of that kind").arg(part));
}

void TLayoutLoader::Fail(int line, const QString &what) const
{
    throw EInvalidOperation(QStringLiteral("Layout line %1: %2").arg(line).arg(what));
}

QList<QObject *> TLayoutLoader::Load(const TLayoutObject &layout, QWidget *form)
{
    m_created.clear();
    m_byName.clear();
    m_references.clear();
    m_tabOrders.clear();
    m_deferred.clear();
    m_deferredNames.clear();
    m_form = form;

    form->setObjectName(layout.Name);
    m_byName.insert(layout.Name, form);
    auto *formLoadable = dynamic_cast<TLoadable *>(form);
    if (formLoadable)
        formLoadable->BeginLoading();
    ApplyProperties(form, layout);
    for (const TLayoutObject &child : layout.Children)
        Create(child, form, form);
    if (formLoadable)
        formLoadable->EndLoading();
    Finish(0);
    Realign(form);
    return m_created;
}

QList<QObject *> TLayoutLoader::LoadDeferred(QWidget *container)
{
    const auto kept = m_deferred.constFind(container);
    if (kept == m_deferred.constEnd())
        return {};
    const QList<TLayoutObject> children = *kept;
    m_deferred.erase(kept);
    for (auto it = m_deferredNames.begin(); it != m_deferredNames.end();)
        it = it.value() == container ? m_deferredNames.erase(it) : std::next(it);

    const qsizetype first = m_created.size();
    for (const TLayoutObject &child : children)
        Create(child, container, m_form);
    Finish(first);
    Realign(container);
    const QList<QObject *> made = m_created.mid(first);
    // Children added to a widget already made are shown by hand, unless the layout hid them.
    for (QObject *object : made)
        if (auto *widget = qobject_cast<QWidget *>(object); widget && !widget->testAttribute(Qt::WA_WState_ExplicitShowHide))
            widget->show();
    return made;
}

void TLayoutLoader::Finish(qsizetype first)
{
    QList<PendingReference> waiting;
    for (const PendingReference &reference : std::as_const(m_references)) {
        QObject *component = m_byName.value(reference.Component);
        if (!component && m_deferredNames.contains(reference.Component)) {
            waiting.append(reference); // set once the kept component is made
            continue;
        }
        if (!component)
            Fail(reference.Line, QStringLiteral("component '%1' not found").arg(reference.Component));
        const QMetaObject *meta = reference.Target->metaObject();
        const QMetaProperty property = meta->property(meta->indexOfProperty(reference.Property.toLatin1().constData()));
        const QMetaObject *wanted = property.metaType().metaObject();
        if (wanted && !component->metaObject()->inherits(wanted))
            Fail(reference.Line, QStringLiteral("'%1' is no %2").arg(reference.Component, QString::fromLatin1(wanted->className())));
        // A QObject-derived pointer held in a variant of the property's own pointer type.
        QObject *pointer = component;
        if (!property.write(reference.Target, QVariant(property.metaType(), &pointer)))
            Fail(reference.Line, QStringLiteral("cannot set %1 to '%2'").arg(reference.Property, reference.Component));
    }
    m_references = waiting;

    // Tab order within each container, by the stored numbers.
    std::stable_sort(m_tabOrders.begin(), m_tabOrders.end(), [](const auto &a, const auto &b) {
        if (a.first->parentWidget() != b.first->parentWidget())
            return a.first->parentWidget() < b.first->parentWidget();
        return a.second < b.second;
    });
    for (int i = 1; i < m_tabOrders.size(); ++i)
        if (m_tabOrders[i].first->parentWidget() == m_tabOrders[i - 1].first->parentWidget())
            QWidget::setTabOrder(m_tabOrders[i - 1].first, m_tabOrders[i].first);
    m_tabOrders.clear();

    for (qsizetype i = first; i < m_created.size(); ++i)
        if (auto *loadable = dynamic_cast<TLoadable *>(m_created[i]))
            loadable->EndLoading();
    for (qsizetype i = first; i < m_created.size(); ++i)
        if (auto *widget = qobject_cast<QWidget *>(m_created[i]))
            Realign(widget);
}

void TLayoutLoader::Create(const TLayoutObject &object, QWidget *parent, QWidget *form)
{
    if (m_byName.contains(object.Name))
        Fail(object.Line, QStringLiteral("a component named '%1' exists already").arg(object.Name));
    QObject *component = nullptr;
    try {
        component = m_registry.Create(object.ClassName, form, parent);
    } catch (const EInvalidOperation &error) {
        Fail(object.Line, error.Message());
    }
    component->setObjectName(object.Name);
    m_byName.insert(object.Name, component);
    m_created.append(component);
    if (auto *loadable = dynamic_cast<TLoadable *>(component))
        loadable->BeginLoading();
    ApplyProperties(component, object);
    auto *widget = qobject_cast<QWidget *>(component);
    if (widget && m_defer && !object.Children.isEmpty() && m_defer(object)) {
        m_deferred.insert(widget, object.Children);
        std::function<void(const QList<TLayoutObject> &)> note = [&](const QList<TLayoutObject> &children) {
            for (const TLayoutObject &child : children) {
                if (m_byName.contains(child.Name) || m_deferredNames.contains(child.Name))
                    Fail(child.Line, QStringLiteral("a component named '%1' exists already").arg(child.Name));
                m_deferredNames.insert(child.Name, widget);
                note(child.Children);
            }
        };
        note(object.Children);
        return;
    }
    for (const TLayoutObject &child : object.Children)
        Create(child, widget ? widget : parent, form);
}

void TLayoutLoader::ApplyProperties(QObject *target, const TLayoutObject &object)
{
    for (const TLayoutProperty &property : object.Properties)
        SetProperty(target, property.Name, property.Value, property.Line);
}

void TLayoutLoader::SetProperty(QObject *target, const QString &name, const TLayoutValue &value, int line)
{
    if (BindEvent(target, name, value, line))
        return;
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot > 0) {
        SetDottedProperty(target, name.left(dot), name.mid(dot + 1), value, line);
        return;
    }
    const int index = target->metaObject()->indexOfProperty(name.toLatin1().constData());
    if (index >= 0) {
        SetPublishedProperty(target, target->metaObject()->property(index), value, line);
        return;
    }
    if (auto *widget = qobject_cast<QWidget *>(target); widget && SetWidgetProperty(widget, name, value, line))
        return;
    if (KeptOnly().contains(name)) {
        target->setProperty(name.toLatin1().constData(), value.ValueKind == TLayoutValue::Text || value.ValueKind == TLayoutValue::Identifier
                                                              ? QVariant(value.TextValue) : QVariant(value.IntegerValue));
        return;
    }
    Fail(line, QStringLiteral("%1 has no property '%2'").arg(QString::fromLatin1(target->metaObject()->className()), name));
}

bool TLayoutLoader::BindEvent(QObject *target, const QString &name, const TLayoutValue &value, int line)
{
    const bool eventName = name.startsWith(QLatin1String("On")) || name.startsWith(QLatin1String("Before")) || name.startsWith(QLatin1String("After"));
    if (!eventName || value.ValueKind != TLayoutValue::Identifier || target->metaObject()->indexOfProperty(name.toLatin1().constData()) >= 0)
        return false;
    if (!m_bindEvent)
        Fail(line, QStringLiteral("no handlers to bind %1 to").arg(value.TextValue));
    try {
        m_bindEvent(target, name, value.TextValue);
    } catch (const Exception &error) {
        Fail(line, error.Message());
    }
    return true;
}

qint32 TLayoutLoader::Colour(const TLayoutValue &value, int line, const QString &expected) const
{
    const std::optional<qint32> colour = ParseColour(value);
    if (!colour)
        Fail(line, expected);
    return *colour;
}

void TLayoutLoader::SetDottedProperty(QObject *target, const QString &head, const QString &rest, const TLayoutValue &value, int line)
{
    const QMetaObject *meta = target->metaObject();
    const int index = meta->indexOfProperty(head.toLatin1().constData());
    const QMetaProperty property = index >= 0 ? meta->property(index) : QMetaProperty();
    auto *widget = qobject_cast<QWidget *>(target);

    // A second font of the widget (a grid's title font): its colour is "<head>Color".
    if (index >= 0 && property.metaType().id() == QMetaType::QFont && head != QLatin1String("Font")) {
        if (rest == QLatin1String("Color")) {
            const qint32 colour = Colour(value, line, QStringLiteral("colour expected for %1.Color").arg(head));
            if (!target->setProperty((head + QLatin1String("Color")).toLatin1().constData(), colour))
                Fail(line, QStringLiteral("%1 has no property '%2Color'").arg(QString::fromLatin1(meta->className()), head));
            return;
        }
        QFont font = property.read(target).value<QFont>();
        ApplyFont(font, rest, value, line);
        property.write(target, font);
        return;
    }
    if (head == QLatin1String("Font") && widget) {
        if (rest == QLatin1String("Color")) {
            const qint32 colour = Colour(value, line, QStringLiteral("colour expected for Font.Color"));
            if (meta->indexOfProperty("FontColor") >= 0) {
                target->setProperty("FontColor", colour);
            } else {
                QPalette palette = widget->palette();
                for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                    palette.setColor(role, ToQColor(colour));
                widget->setPalette(palette);
            }
            return;
        }
        QFont font = widget->font();
        ApplyFont(font, rest, value, line);
        widget->setFont(font);
        return;
    }
    if (index < 0)
        Fail(line, QStringLiteral("%1 has no property '%2'").arg(QString::fromLatin1(meta->className()), head));
    if (property.metaType().flags() & QMetaType::PointerToQObject) {
        QObject *inner = property.read(target).value<QObject *>();
        if (!inner)
            Fail(line, QStringLiteral("%1.%2 is empty").arg(QString::fromLatin1(meta->className()), head));
        SetProperty(inner, rest, value, line);
        return;
    }
    // "Lines.Strings", "Picture.Data": the value belongs to the property itself.
    SetProperty(target, head, value, line);
}

void TLayoutLoader::SetPublishedProperty(QObject *target, const QMetaProperty &property, const TLayoutValue &value, int line)
{
    const QString name = QString::fromLatin1(property.name());
    const QString className = QString::fromLatin1(target->metaObject()->className());
    QVariant converted;
    if (property.metaType().flags() & QMetaType::PointerToQObject) {
        // Resolved once every component exists.
        if (value.ValueKind != TLayoutValue::Identifier)
            Fail(line, QStringLiteral("a component name expected for %1").arg(name));
        m_references.append({target, name, value.TextValue, line});
        return;
    }
    try {
        if (property.isEnumType()) {
            converted = ToEnumeration(value, property.enumerator());
        } else {
            const TConverter converter = ConverterFor(property.metaType().id());
            if (!converter)
                Fail(line, QStringLiteral("%1.%2 cannot be set from a layout").arg(className, name));
            converted = converter(value, property.metaType(), name);
        }
    } catch (const Refusal &refusal) {
        Fail(line, refusal.Message);
    }
    if (!property.write(target, converted))
        Fail(line, QStringLiteral("%1.%2 refused the value").arg(className, name));
}

bool TLayoutLoader::SetWidgetProperty(QWidget *widget, const QString &name, const TLayoutValue &value, int line)
{
    const auto number = [&]() -> int {
        if (value.ValueKind != TLayoutValue::Integer)
            Fail(line, QStringLiteral("a number expected for %1").arg(name));
        return int(value.IntegerValue);
    };
    const bool identifier = value.ValueKind == TLayoutValue::Identifier;
    const bool isTrue = identifier && value.TextValue.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
    if (name == QLatin1String("Left")) {
        widget->move(number(), widget->y());
    } else if (name == QLatin1String("Top")) {
        widget->move(widget->x(), number());
    } else if (name == QLatin1String("Width")) {
        widget->resize(number(), widget->height());
    } else if (name == QLatin1String("Height")) {
        widget->resize(widget->width(), number());
    } else if (name == QLatin1String("Hint") && value.ValueKind == TLayoutValue::Text) {
        widget->setToolTip(value.TextValue);
    } else if (name == QLatin1String("Visible") && identifier) {
        widget->setVisible(isTrue);
    } else if (name == QLatin1String("Enabled") && identifier) {
        widget->setEnabled(isTrue);
    } else if (name == QLatin1String("Cursor") && identifier) {
        Qt::CursorShape shape = Qt::ArrowCursor;
        if (!CursorFromName(value.TextValue, shape))
            Fail(line, QStringLiteral("unknown cursor %1").arg(value.TextValue));
        if (value.TextValue == QLatin1String("crDefault"))
            widget->unsetCursor();
        else
            widget->setCursor(shape);
    } else if (name == QLatin1String("TabOrder")) {
        m_tabOrders.append({widget, number()});
    } else if (name == QLatin1String("Align") && identifier) {
        const std::optional<TAlign> align = AlignFromName(value.TextValue);
        if (!align)
            Fail(line, QStringLiteral("unknown alignment %1").arg(value.TextValue));
        SetAlign(widget, *align);
    } else if (name == QLatin1String("Color")) {
        const QColor colour = ToQColor(Colour(value, line, QStringLiteral("colour expected")));
        QPalette palette = widget->palette();
        palette.setColor(QPalette::Window, colour);
        palette.setColor(QPalette::Base, colour);
        widget->setPalette(palette);
        widget->setAutoFillBackground(true);
    } else {
        return false;
    }
    return true;
}

void SetAlign(QWidget *widget, TAlign align)
{
    if (AlignOf(widget) == align)
        return;
    widget->setProperty(kAlignProperty, int(align));
    if (QWidget *parent = widget->parentWidget()) {
        auto *realigner = parent->findChild<QObject *>(QStringLiteral("tallimoRealigner"), Qt::FindDirectChildrenOnly);
        if (!realigner) {
            realigner = new Realigner(parent);
            realigner->setObjectName(QStringLiteral("tallimoRealigner"));
            parent->installEventFilter(realigner);
        }
        widget->removeEventFilter(realigner);
        widget->installEventFilter(realigner);
        Realign(parent);
    }
}

TAlign AlignOf(const QWidget *widget)
{
    return TAlign(widget->property(kAlignProperty).toInt());
}

void Realign(QWidget *parent)
{
    if (!parent)
        return;
    QRect area = parent->contentsRect();
    QList<QWidget *> docked[6];
    for (QObject *child : parent->children()) {
        auto *widget = qobject_cast<QWidget *>(child);
        if (widget && !widget->isWindow() && !widget->isHidden() && AlignOf(widget) != alNone)
            docked[AlignOf(widget)].append(widget);
    }
    // Widgets docked to the same side keep their order by position, as they were placed.
    std::stable_sort(docked[alTop].begin(), docked[alTop].end(), [](QWidget *a, QWidget *b) { return a->y() < b->y(); });
    std::stable_sort(docked[alBottom].begin(), docked[alBottom].end(), [](QWidget *a, QWidget *b) { return a->y() > b->y(); });
    std::stable_sort(docked[alLeft].begin(), docked[alLeft].end(), [](QWidget *a, QWidget *b) { return a->x() < b->x(); });
    std::stable_sort(docked[alRight].begin(), docked[alRight].end(), [](QWidget *a, QWidget *b) { return a->x() > b->x(); });
    for (QWidget *widget : docked[alTop]) {
        widget->setGeometry(area.left(), area.top(), area.width(), widget->height());
        area.setTop(area.top() + widget->height());
    }
    for (QWidget *widget : docked[alBottom]) {
        widget->setGeometry(area.left(), area.bottom() + 1 - widget->height(), area.width(), widget->height());
        area.setBottom(area.bottom() - widget->height());
    }
    for (QWidget *widget : docked[alLeft]) {
        widget->setGeometry(area.left(), area.top(), widget->width(), area.height());
        area.setLeft(area.left() + widget->width());
    }
    for (QWidget *widget : docked[alRight]) {
        widget->setGeometry(area.right() + 1 - widget->width(), area.top(), widget->width(), area.height());
        area.setRight(area.right() - widget->width());
    }
    for (QWidget *widget : docked[alClient])
        widget->setGeometry(area);
}
