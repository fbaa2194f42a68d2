#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVector>

// Value kinds of the record store. A value travels as a QVariant: null when empty, qint64 for
// whole numbers, double for numbers, QString for text and QDate for dates.
enum TFieldType : quint8 { ftUnknown, ftString, ftInteger, ftFloat, ftDate, ftAutoInc };

enum TDataSetState : quint8 { dsInactive, dsBrowse, dsEdit, dsInsert };

// What a table tells its data sources, and they their links.
enum TDataEvent : quint8 {
    deFieldChange,     // a field of the current record changed (info: the field)
    deRecordChange,    // the current record changed as a whole (an edit began)
    deDataSetChange,   // the set of records changed (open, refresh, first/last, post, cancel ...)
    deDataSetScroll,   // the current record moved by a distance (info: the distance)
    deLayoutChange,    // the fields were made anew
    deUpdateRecord,    // bound widgets must write their pending edits into the record
    deUpdateState,     // the state changed
};

// One column of a table as the engine describes it.
struct TFieldInfo
{
    QString Name;
    TFieldType Type = ftUnknown;
    int Size = 0;          // characters, text fields only
    bool Required = false;

    bool operator==(const TFieldInfo &) const = default;
};

// One record as fetched: the engine's record identity and the values in field order.
struct TRecordData
{
    qint64 Id = 0;
    QVector<QVariant> Values;
};

// A condition in portable SQL with positional '?' parameters. Field names in it are quoted
// identifiers that were checked against the table; user text only ever travels in Params.
struct TSqlCondition
{
    QString Sql;
    QVariantList Params;

    bool IsEmpty() const { return Sql.isEmpty(); }
};

// A request for records near an anchor in an order.
struct TFetchRequest
{
    int OrderField = -1;      // field index of the order, -1 for the primary order
    bool HasAnchor = false;   // without an anchor: from the start (Forward) or from the end
    qint64 AnchorId = 0;
    QVariant AnchorValue;     // the anchor's value of the order field
    bool Forward = true;
    int Count = 1;
    TSqlCondition Filter;
    // Only the identity and the order field's value are read (for skipping over records).
    bool KeysOnly = false;
};

QString FieldTypeName(TFieldType type);
