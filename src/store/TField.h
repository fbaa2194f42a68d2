#pragma once

#include "FormatSettings.h"
#include "StoreTypes.h"

#include <QObject>

class TTable;

// One field of a table's current record. Reading returns the value of the record shown (the edit
// buffer while the table is being edited); writing is allowed only in edit or insert state.
class TField : public QObject
{
    Q_OBJECT

public:
    TField(TTable *table, int index, const TFieldInfo &info);

    TTable *DataSet() const { return m_table; }
    int Index() const { return m_index; }
    const QString &FieldName() const { return m_info.Name; }
    TFieldType DataType() const { return m_info.Type; }
    // Characters a text field holds; 0 for the other kinds.
    int Size() const { return m_info.Type == ftString ? m_info.Size : 0; }
    bool Required() const { return m_info.Required; }
    bool IsAutoIncrement() const { return m_info.Type == ftAutoInc; }
    // The store has no calculated fields; the flag is part of the field list all the same.
    bool Calculated() const { return false; }

    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? m_info.Name : m_displayLabel; }
    void SetDisplayLabel(const QString &label) { m_displayLabel = label; }
    // Automatically numbered fields are read-only from the start.
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    Qt::Alignment Alignment() const;
    QString EditMask() const { return QString(); }
    // Whether a character typed into an edit box may be part of this field's text.
    bool IsValidChar(QChar ch) const;

    bool IsNull() const { return Value().isNull(); }
    QVariant Value() const;
    void SetValue(const QVariant &value);
    void Clear() { SetValue(QVariant()); }

    qint32 AsInteger() const;
    double AsFloat() const;
    QString AsString() const;
    TDateTime AsDateTime() const;
    void SetAsInteger(qint32 value);
    void SetAsFloat(double value);
    void SetAsString(const QString &text);
    void SetAsDateTime(TDateTime value);

    // The value as shown, and as typed into an edit box.
    QString DisplayText() const { return AsString(); }
    QString Text() const { return AsString(); }
    void SetText(const QString &text) { SetAsString(text); }

private:
    friend class TTable;
    void SetInfo(const TFieldInfo &info) { m_info = info; }

    [[noreturn]] void InvalidInteger(const QString &text) const;
    [[noreturn]] void InvalidFloat(const QString &text) const;

    TTable *m_table;
    int m_index;
    TFieldInfo m_info;
    QString m_displayLabel;
    bool m_readOnly = false;
};
