#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>

class QFont;
class QMetaProperty;
class QObject;
class QWidget;

// A window layout as text: objects with a name and a class, their properties in stored order,
// and the objects they hold.
//
//   object Button1: TktBevelButton
//     Left = 488
//     Caption = 'Close and exit'
//     Font.Style = [fsBold]
//     Bevel.BevelInner = bvLowered
//     Lines.Strings = ('first line' 'second line')
//     Picture.Data = {FFD8FFE0...}
//     OnClick = ktBevelButton1Click
//   end
//
// Values: whole numbers (also $hex), decimals, 'quoted text' ('' for a quote, #39 style codes
// joined with +), identifiers (True, False, enumeration values, colour names, component names),
// sets in brackets, lists of texts in parentheses, binary data in braces and collections of items
// in angle brackets (< item Name = value ... end item ... end >).
struct TLayoutValue
{
    enum Kind { Integer, Float, Text, Identifier, Set, TextList, Binary, Collection };
    Kind ValueKind = Integer;
    qint64 IntegerValue = 0;
    double FloatValue = 0;
    QString TextValue;        // Text and Identifier
    QStringList Items;        // Set and TextList
    QByteArray Bytes;         // Binary
    QVariantList Entries;     // Collection: one QVariantMap of property values per item

    // The value as a plain QVariant (numbers, texts, lists, bytes, entries).
    QVariant ToVariant() const;
};

struct TLayoutProperty
{
    QString Name;
    TLayoutValue Value;
    int Line = 0;
};

struct TLayoutObject
{
    QString Name;
    QString ClassName;
    QList<TLayoutProperty> Properties;
    QList<TLayoutObject> Children;
    int Line = 0;
};

// Raises EInvalidOperation naming the line for text that is not a layout.
TLayoutObject ParseLayout(const QString &text);

// Makes components by class name.
class TClassRegistry
{
public:
    // owner: the window; parent: the widget the component is placed on.
    using TFactory = std::function<QObject *(QObject *owner, QWidget *parent)>;

    void Register(const QString &className, TFactory factory) { m_factories.insert(className, std::move(factory)); }
    template <class T>
    void Register(const QString &className)
    {
        Register(className, [](QObject *, QWidget *parent) -> QObject * { return new T(parent); });
    }
    bool Contains(const QString &className) const { return m_factories.contains(className); }
    QObject *Create(const QString &className, QObject *owner, QWidget *parent) const;

private:
    QHash<QString, TFactory> m_factories;
};

// Builds a window's parts from its layout: creates each component through the registry, puts it
// into its loading state, sets its properties in stored order through the meta-object system,
// resolves references to other components once all exist, binds events by handler name, and
// finally ends the loading state of every component in creation order (their Loaded step).
class TLayoutLoader
{
public:
    using TEventBinder = std::function<void(QObject *component, const QString &event, const QString &handler)>;

    explicit TLayoutLoader(const TClassRegistry &registry) : m_registry(registry) {}

    // Called for every "OnXxx = Handler" entry; raise EInvalidOperation for one you do not know.
    void SetEventBinder(TEventBinder binder) { m_bindEvent = std::move(binder); }

    // Applies the root object's properties to `form` and creates its children. Returns the
    // components made, in creation order.
    QList<QObject *> Load(const TLayoutObject &layout, QWidget *form);

    // Sets one property the way the loader does (tests and handlers use it too).
    void SetProperty(QObject *target, const QString &name, const TLayoutValue &value, int line = 0);

    // Containers the predicate picks are made with their properties, but what they hold is kept
    // and made only by LoadDeferred (a page that is not shown at start, say).
    void SetDeferral(std::function<bool(const TLayoutObject &)> defer) { m_defer = std::move(defer); }
    // Makes what was kept for the container; returns the components made (none the second time).
    QList<QObject *> LoadDeferred(QWidget *container);
    // The container whose kept contents hold a component of that name, or nullptr.
    QWidget *DeferredContainerOf(const QString &name) const { return m_deferredNames.value(name); }

private:
    struct PendingReference
    {
        QObject *Target;
        QString Property;
        QString Component;
        int Line;
    };

    void Create(const TLayoutObject &object, QWidget *parent, QWidget *form);
    // Resolves references and tab orders, runs the Loaded steps of the components made from
    // `first` on, and docks them.
    void Finish(qsizetype first);
    void ApplyProperties(QObject *target, const TLayoutObject &object);
    // The steps of SetProperty: an event bound by handler name (false when the name is no
    // event), a dotted name, a property the class publishes, what every widget has.
    bool BindEvent(QObject *target, const QString &name, const TLayoutValue &value, int line);
    void SetDottedProperty(QObject *target, const QString &head, const QString &rest, const TLayoutValue &value, int line);
    void SetPublishedProperty(QObject *target, const QMetaProperty &property, const TLayoutValue &value, int line);
    bool SetWidgetProperty(QWidget *widget, const QString &name, const TLayoutValue &value, int line);
    // The value as a colour; fails with `expected` when it is none.
    qint32 Colour(const TLayoutValue &value, int line, const QString &expected) const;
    [[noreturn]] void Fail(int line, const QString &what) const;
    void ApplyFont(QFont &font, const QString &part, const TLayoutValue &value, int line) const;

    const TClassRegistry &m_registry;
    TEventBinder m_bindEvent;
    QList<QObject *> m_created;
    QHash<QString, QObject *> m_byName;
    QList<PendingReference> m_references;
    QList<QPair<QWidget *, int>> m_tabOrders;
    QWidget *m_form = nullptr;
    std::function<bool(const TLayoutObject &)> m_defer;
    QHash<QWidget *, QList<TLayoutObject>> m_deferred;
    QHash<QString, QWidget *> m_deferredNames;
};

// Docking of a widget in its parent (alTop, alBottom, alLeft, alRight, alClient): the parent's
// children are placed in their order of creation, top and bottom first, then left and right,
// then the client area, whenever the parent is resized.
enum TAlign : quint8 { alNone, alTop, alBottom, alLeft, alRight, alClient };
void SetAlign(QWidget *widget, TAlign align);
TAlign AlignOf(const QWidget *widget);
void Realign(QWidget *parent);

// Resolves the toolkit's colour names (clBlack, clBtnFace, ...); false for an unknown name.
bool ColorFromName(const QString &name, qint32 &color);
