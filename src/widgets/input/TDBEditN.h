#pragma once

#include "TCustomEditN.h"
#include "TDataLink.h"
#include "TDataSource.h"

class TField;

// A single-line text box bound to one field of the current record of a table, through a data
// source of the record store. It shows the field's display text, or its edit text while focused
// and the table can be modified; typing asks the store to Edit, Escape puts the stored value back,
// and leaving writes a changed text with the field's set-as-text. When that write fails the
// store's message is shown, the text is selected and the focus stays.
//
// On top of the binding it has the focus behaviour of the typed edit field: focus colours and
// width, a key that acts as Tab, overwrite typing, capitalisation, the text tip and the release of
// the box's read-only state on focus. The bound field decides what is accepted: there are no value
// kinds and no exit formatting.
class TDBEditN : public TCustomEditN
{
    Q_OBJECT
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TEditCharCase CharCase READ CharCase WRITE SetCharCase)

public:
    enum TEditCharCase : quint8 { ecNormal, ecUpperCase, ecLowerCase };
    Q_ENUM(TEditCharCase)

    explicit TDBEditN(QWidget *parent = nullptr);
    ~TDBEditN() override;

    TDataSource *DataSource() const { return m_dataLink.DataSource(); }
    void SetDataSource(TDataSource *source);
    QString DataField() const { return m_dataLink.FieldName(); }
    void SetDataField(const QString &name) { m_dataLink.SetFieldName(name); }
    // The bound field, or nullptr while there is none (no source, table closed, unknown name).
    TField *Field() const { return m_dataLink.Field(); }
    // Typed letters are turned to upper or lower case.
    TEditCharCase CharCase() const { return m_charCase; }
    void SetCharCase(TEditCharCase charCase) { m_charCase = charCase; }

protected:
    void FocusEntered() override;
    bool FocusExited() override;
    void KeyPress(QChar &key) override;
    void ReadOnlyChanged() override;

    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    void DataChange();
    void EditingChange();
    void UpdateData();
    // Asks the store to Edit before the text is changed; a refusal is shown and answers false.
    bool AskEdit();
    QChar CaseOf(QChar key) const;

    TFieldDataLink m_dataLink;
    // The binding's view of the focus: the edit text is shown while it is set.
    bool m_focused = false;
    // The text is being set from the field: not a change of the user's.
    bool m_showingField = false;
    TEditCharCase m_charCase = ecNormal;
};
