#pragma once

#include "TDataLink.h"
#include "TDataSource.h"
#include "TLayout.h"
#include "TSpeedButton.h"
#include "TTable.h"
#include "VornControls.h"

#include <QImage>
#include <QList>
#include <QPointer>
#include <QStringList>

#include <array>
#include <functional>

class QTimer;
class TVornDBNavigator;

// The data-aware widgets on the bevel model: the bevelled data text and the extended record
// navigator with its buttons and data link.

// ---------------------------------------------------------------------------------------------

// A read-only, window-less text that shows one field of the current record of a data source,
// inside the label's bevel. It follows the record in every table state (the edit buffer while
// the record is being edited) and is empty while the table is closed or nothing is bound. "&" in
// a value is shown as it stands. With AutoSize (on for a new widget) it fits itself to every value.
//
// The caption is the field's text, accelerators are off and no widget takes the focus through it:
// Caption, ShowAccelChar and FocusControl can be read but are not published (a layout cannot set
// them).
class TVornDBText : public TVornCustomLabel
{
    Q_OBJECT
    Q_PROPERTY(QString DataField READ DataField WRITE SetDataField)
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QString Caption READ Caption DESIGNABLE false STORED false)
    Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar DESIGNABLE false STORED false)
    Q_PROPERTY(QWidget *FocusControl READ FocusControl DESIGNABLE false STORED false)

public:
    explicit TVornDBText(QWidget *parent = nullptr);
    ~TVornDBText() override;

    QString DataField() const { return m_dataLink.FieldName(); }
    // A name the open table lacks fails with "<Name>: Field '<name>' not found".
    void SetDataField(const QString &name);
    TDataSource *DataSource() const { return m_dataLink.DataSource(); }
    // Cleared when the data source is destroyed.
    void SetDataSource(TDataSource *source);
    // The bound field, or nullptr.
    TField *Field() const { return m_dataLink.Field(); }

private:
    void DataChange();
    void CheckFieldFound();
    QString FieldText() const;

    TFieldDataLink m_dataLink;
    bool m_missingReported = false;
};

// ---------------------------------------------------------------------------------------------

// A minimal image list: pictures of one size by index, and a change notification. The navigator
// can take its glyphs from one instead of its built-in bitmaps.
class TImageList : public QObject
{
    Q_OBJECT

public:
    explicit TImageList(QObject *parent = nullptr) : QObject(parent) {}

    int Count() const { return int(m_images.size()); }
    QImage Image(int index) const { return m_images.value(index); }
    int Add(const QImage &image);
    void Replace(int index, const QImage &image);
    void Clear();

    // Raised after every change of the list.
    std::function<void(TImageList *Sender)> OnChange;

signals:
    void Changed();

private:
    void Notify();

    QList<QImage> m_images;
};

// ---------------------------------------------------------------------------------------------

// The buttons of the navigator, in their fixed order (also the order of Hints and of an image
// list's pictures).
namespace VornNav {
Q_NAMESPACE
enum TVornNavBtns : quint8 {
    nbFirst, nbPriorSet, nbPrior, nbNext, nbNextSet, nbLast,
    nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh,
    nbSetBookmark, nbGotoBookmark, nbClearBookmark,
    nbEnterFilter, nbApplyFilter, nbCancelFilter,
    nbCopyRecord, nbPrintList, nbPrintRecord,
};
Q_ENUM_NS(TVornNavBtns)

enum TVornNavOrientation : quint8 { orHorizontal, orVertical };
Q_ENUM_NS(TVornNavOrientation)

constexpr int ButtonCount = 21;
} // namespace VornNav


// The same buttons as bits of a set, so that a layout names a set of them as "[nbFirst, nbLast]".
namespace VornNavSet {
Q_NAMESPACE
enum TVornNavBtnBit : quint32 {
    nbFirst = 1u << VornNav::nbFirst,
    nbPriorSet = 1u << VornNav::nbPriorSet,
    nbPrior = 1u << VornNav::nbPrior,
    nbNext = 1u << VornNav::nbNext,
    nbNextSet = 1u << VornNav::nbNextSet,
    nbLast = 1u << VornNav::nbLast,
    nbInsert = 1u << VornNav::nbInsert,
    nbDelete = 1u << VornNav::nbDelete,
    nbEdit = 1u << VornNav::nbEdit,
    nbPost = 1u << VornNav::nbPost,
    nbCancel = 1u << VornNav::nbCancel,
    nbRefresh = 1u << VornNav::nbRefresh,
    nbSetBookmark = 1u << VornNav::nbSetBookmark,
    nbGotoBookmark = 1u << VornNav::nbGotoBookmark,
    nbClearBookmark = 1u << VornNav::nbClearBookmark,
    nbEnterFilter = 1u << VornNav::nbEnterFilter,
    nbApplyFilter = 1u << VornNav::nbApplyFilter,
    nbCancelFilter = 1u << VornNav::nbCancelFilter,
    nbCopyRecord = 1u << VornNav::nbCopyRecord,
    nbPrintList = 1u << VornNav::nbPrintList,
    nbPrintRecord = 1u << VornNav::nbPrintRecord,
};
Q_DECLARE_FLAGS(TVornNavBtnFlags, TVornNavBtnBit)
Q_FLAG_NS(TVornNavBtnFlags)
} // namespace VornNavSet

using VornNav::TVornNavBtns;
using VornNav::TVornNavOrientation;

// A set of navigator buttons as bits (bit n = button n), with the helpers the navigator needs.
struct TVornNavBtnSet
{
    quint32 Bits = 0;

    constexpr TVornNavBtnSet() = default;
    constexpr TVornNavBtnSet(std::initializer_list<TVornNavBtns> buttons)
    {
        for (TVornNavBtns button : buttons)
            Bits |= 1u << button;
    }
    static constexpr TVornNavBtnSet FromBits(quint32 bits)
    {
        TVornNavBtnSet set;
        set.Bits = bits & ((1u << VornNav::ButtonCount) - 1);
        return set;
    }
    constexpr bool Contains(TVornNavBtns button) const { return Bits & (1u << button); }
    constexpr void Include(TVornNavBtns button) { Bits |= 1u << button; }
    constexpr void Exclude(TVornNavBtns button) { Bits &= ~(1u << button); }
    friend constexpr bool operator==(TVornNavBtnSet, TVornNavBtnSet) = default;
};
Q_DECLARE_METATYPE(TVornNavBtnSet)

// What BeforeAction and OnClick take: the button (which BeforeAction may change) and whether the
// action is to be done.
using EVornNavBefore = std::function<void(QObject *Sender, TVornNavBtns &Button, bool &ProcessAction)>;
using EVornNavClick = std::function<void(QObject *Sender, TVornNavBtns Button)>;

// One button of the navigator: a speed button that knows its position, repeats its click while
// held down (when it has the repeat flag: first after 400 ms, then every 100 ms) and shows the
// navigator's keyboard focus as a dotted rectangle.
class TVornNavButton : public TSpeedButton
{
    Q_OBJECT

public:
    enum TVornNavButtonStyle : quint8 { nsAllowTimer = 0x1, nsFocusRect = 0x2 };

    explicit TVornNavButton(TVornDBNavigator *navigator);

    TVornNavBtns Index() const { return m_index; }
    void SetIndex(TVornNavBtns index) { m_index = index; }
    quint8 NavStyle() const { return m_navStyle; }
    void SetNavStyle(quint8 style) { m_navStyle = style; }
    // The hold-to-repeat timer, or nullptr until the first press of a repeating button.
    QTimer *RepeatTimer() const { return m_repeatTimer; }

protected:
    void Paint(QPainter &painter) override;
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void TimerExpired();

    TVornDBNavigator *m_navigator;
    TVornNavBtns m_index = VornNav::nbFirst;
    quint8 m_navStyle = 0;
    QTimer *m_repeatTimer = nullptr;
};

// The navigator's link to its data source: opening and closing, moves and data changes, and
// edit-state changes each recompute the buttons' enabled states.
class TVornNavDataLink : public TDataLink
{
public:
    explicit TVornNavDataLink(TVornDBNavigator *navigator) : m_navigator(navigator) {}
    ~TVornNavDataLink() override { m_navigator = nullptr; }

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void DataSetChanged() override;

private:
    TVornDBNavigator *m_navigator;
};

// A bevelled panel of up to 21 glyph buttons that move through and edit the records of a data
// source: first, prior set, prior, next, next set, last, insert, delete, edit, post, cancel,
// refresh, set / go to / clear a bookmark, enter / apply / cancel a filter, copy the record into
// a new one, print list and print record. Each button is enabled only when its action makes sense
// in the table's state; delete (and, with ConfirmCancel, cancel) ask in the "Confirm" box first.
// BeforeAction may change or suppress a button's action; OnClick follows every press, also when
// no table is open. The filter and print buttons change nothing in the table themselves: the
// application acts in those events.
//
// The buttons are laid out to fill the navigator (groups separated by GroupSpace, remainder
// pixels spread over the buttons); without docking the navigator shrinks to its buttons.
class TVornDBNavigator : public TVornCustomPanel
{
    Q_OBJECT
    Q_PROPERTY(TAlign Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool ConfirmCancel READ ConfirmCancel WRITE SetConfirmCancel)
    Q_PROPERTY(QString ConfirmCancelText READ ConfirmCancelText WRITE SetConfirmCancelText)
    Q_PROPERTY(bool ConfirmDelete READ ConfirmDelete WRITE SetConfirmDelete)
    Q_PROPERTY(QString ConfirmDeleteText READ ConfirmDeleteText WRITE SetConfirmDeleteText)
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(QWidget *FocusEditControl READ FocusEditControl WRITE SetFocusEditControl)
    Q_PROPERTY(TImageList *Images READ Images WRITE SetImages)
    Q_PROPERTY(int GroupSpace READ GroupSpace WRITE SetGroupSpace)
    Q_PROPERTY(QStringList Hints READ Hints WRITE SetHints)
    Q_PROPERTY(int MoveBySet READ MoveBySet WRITE SetMoveBySet)
    Q_PROPERTY(VornNav::TVornNavOrientation Orientation READ Orientation WRITE SetOrientation)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(bool TabStop READ TabStop WRITE SetTabStop)
    Q_PROPERTY(VornNavSet::TVornNavBtnFlags VisibleButtons READ VisibleButtonFlags WRITE SetVisibleButtonFlags)

public:
    using enum VornNav::TVornNavBtns;
    using enum VornNav::TVornNavOrientation;
    // The toolkit's docking values, published here so that a layout can name them.
    enum TAlign : quint8 {
        alNone = ::alNone, alTop = ::alTop, alBottom = ::alBottom,
        alLeft = ::alLeft, alRight = ::alRight, alClient = ::alClient,
    };
    Q_ENUM(TAlign)

    static constexpr int MinBtnSize = 24;
    static TVornNavBtnSet DefaultVisibleButtons()
    {
        return {nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh};
    }
    // The default hints, in button order (the navigator's string table).
    static const QStringList &DefaultHints();
    // The glyph resource of a button: "VORNNB_" and the button's name in upper case.
    static QString GlyphResourceName(TVornNavBtns button);

    explicit TVornDBNavigator(QWidget *parent = nullptr);
    ~TVornDBNavigator() override;

    TAlign Align() const { return m_align; }
    // alLeft / alRight make a horizontal navigator vertical, alTop / alBottom a vertical one
    // horizontal, before it docks.
    void SetAlign(TAlign align);
    bool ConfirmCancel() const { return m_confirmCancel; }
    void SetConfirmCancel(bool confirm) { m_confirmCancel = confirm; }
    QString ConfirmCancelText() const { return m_confirmCancelText; }
    void SetConfirmCancelText(const QString &text) { m_confirmCancelText = text; }
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }
    QString ConfirmDeleteText() const { return m_confirmDeleteText; }
    void SetConfirmDeleteText(const QString &text) { m_confirmDeleteText = text; }
    TDataSource *DataSource() const { return m_dataLink.DataSource(); }
    // Releases the bookmark; cleared again when the data source is destroyed.
    void SetDataSource(TDataSource *source);
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    // Receives the focus after insert, edit and copy when it can take it; cleared when destroyed.
    QWidget *FocusEditControl() const { return m_focusEditControl; }
    void SetFocusEditControl(QWidget *control) { m_focusEditControl = control; }
    int GroupSpace() const { return m_groupSpace; }
    void SetGroupSpace(int space);
    // Per-button hints by position (an empty string keeps that button's default). A list equal to
    // the defaults is stored as an empty list.
    QStringList Hints() const { return m_hints; }
    void SetHints(const QStringList &hints);
    TImageList *Images() const { return m_images; }
    void SetImages(TImageList *images);
    // At least 2; smaller values are refused with "MoveBy number should be at least 2 !".
    int MoveBySet() const { return m_moveBySet; }
    void SetMoveBySet(int count);
    TVornNavOrientation Orientation() const { return m_orientation; }
    void SetOrientation(TVornNavOrientation orientation);
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    bool TabStop() const { return m_tabStop; }
    void SetTabStop(bool tabStop);
    TVornNavBtnSet VisibleButtons() const { return m_visibleButtons; }
    void SetVisibleButtons(TVornNavBtnSet buttons);
    // VisibleButtons as a flag set, for layouts.
    VornNavSet::TVornNavBtnFlags VisibleButtonFlags() const { return VornNavSet::TVornNavBtnFlags::fromInt(int(m_visibleButtons.Bits)); }
    void SetVisibleButtonFlags(VornNavSet::TVornNavBtnFlags flags) { SetVisibleButtons(TVornNavBtnSet::FromBits(quint32(flags.toInt()))); }

    TVornNavButton *Button(TVornNavBtns button) const { return m_buttons[button]; }
    TVornNavBtns FocusedButton() const { return m_focusedButton; }
    int ButtonWidth() const { return m_buttonWidth; }
    int ButtonHeight() const { return m_buttonHeight; }
    bool HasBookmark() const { return m_bookmark.Valid; }

    // Performs a button's action as a click does: BeforeAction, the action, OnClick.
    void ButtonAction(TVornNavBtns button);
    // Recompute the buttons' enabled states.
    void ActiveChanged();
    void DataChanged();
    void EditingChanged();
    // Lays the buttons out for the proposed size and corrects it to what they need.
    void AdjustSize(int &width, int &height);
    void InitHints();
    void LoadGlyphs();
    void ReleaseBookmark();

    void SetBounds(int left, int top, int width, int height) override;

    EVornNavBefore BeforeAction;
    EVornNavClick OnClick;

protected:
    void Loaded() override;
    void BevelChanged(QObject *sender) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    friend class TVornNavButton;

    TTable *Table() const { return m_dataLink.DataSet(); }
    void ButtonPressed(TVornNavButton *button);
    void FocusEditor();
    void CopyRecord();
    void SetButtonEnabled(TVornNavBtns button, bool enabled);
    void Relayout();
    void ImagesChanged();

    std::array<TVornNavButton *, VornNav::ButtonCount> m_buttons{};
    TVornNavDataLink m_dataLink{this};
    QMetaObject::Connection m_sourceDestroyed;
    TVornNavBtns m_focusedButton = nbFirst;
    TBookmark m_bookmark;
    TAlign m_align = alNone;
    bool m_confirmCancel = false;
    QString m_confirmCancelText;
    bool m_confirmDelete = true;
    QString m_confirmDeleteText;
    bool m_flat = false;
    QPointer<QWidget> m_focusEditControl;
    int m_groupSpace = 10;
    QStringList m_hints;
    QPointer<TImageList> m_images;
    QMetaObject::Connection m_imagesChanged;
    int m_moveBySet = 10;
    TVornNavOrientation m_orientation = orHorizontal;
    bool m_showHint = false;
    bool m_tabStop = false;
    TVornNavBtnSet m_visibleButtons = DefaultVisibleButtons();
    int m_buttonWidth = 0;
    int m_buttonHeight = 0;
    bool m_adjusting = false;
};
