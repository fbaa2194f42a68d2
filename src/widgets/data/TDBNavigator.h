#pragma once

#include "TDataSource.h"
#include "TLoadable.h"

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <array>
#include <functional>
#include <initializer_list>
#include <memory>

class TSpeedButton;
class TDBNavigatorLink;
class TTable;

// The navigator's buttons as bits of a set, so that a layout names a set of them as
// "[nbFirst, nbPrior]". Code names the buttons by TDBNavigator::TNavigateBtn.
namespace DBNavSet {
Q_NAMESPACE
enum TNavigateBtnBit : quint16 {
    nbFirst = 0x001,
    nbPrior = 0x002,
    nbNext = 0x004,
    nbLast = 0x008,
    nbInsert = 0x010,
    nbDelete = 0x020,
    nbEdit = 0x040,
    nbPost = 0x080,
    nbCancel = 0x100,
    nbRefresh = 0x200,
};
Q_DECLARE_FLAGS(TButtonSet, TNavigateBtnBit)
Q_FLAG_NS(TButtonSet)
} // namespace DBNavSet
Q_DECLARE_OPERATORS_FOR_FLAGS(DBNavSet::TButtonSet)

// The standard record navigator: a row of ten picture buttons that move through and change the
// records of one table, each enabled only while its action makes sense for the table's state.
//
// A press runs BeforeAction(Sender, Button), then the action on the table, then
// OnClick(Sender, Button). A failure of BeforeAction or of the action ends the press there (the
// message is shown; OnClick is not raised). Delete asks "Delete record?" (OK or Cancel) first
// while ConfirmDelete is on; Cancel leaves the record and OnClick still follows. The visible
// buttons share the width evenly, the pixels left over going one each to buttons spread along
// the row.
class TDBNavigator : public QWidget, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Hint READ Hint WRITE SetHint)
    Q_PROPERTY(bool ShowHint READ ShowHint WRITE SetShowHint)
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(DBNavSet::TButtonSet VisibleButtons READ VisibleButtons WRITE SetVisibleButtons)
    Q_PROPERTY(QStringList Hints READ Hints WRITE SetHints)
    Q_PROPERTY(bool Flat READ Flat WRITE SetFlat)
    Q_PROPERTY(bool ConfirmDelete READ ConfirmDelete WRITE SetConfirmDelete)

public:
    // The buttons in their fixed order (also the order of Hints).
    enum TNavigateBtn : quint8 { nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh };
    Q_ENUM(TNavigateBtn)
    using TButtonSet = DBNavSet::TButtonSet;

    static constexpr int ButtonCount = 10;
    static constexpr DBNavSet::TNavigateBtnBit Bit(TNavigateBtn button) { return DBNavSet::TNavigateBtnBit(1u << button); }
    static TButtonSet SetOf(std::initializer_list<TNavigateBtn> buttons);
    static TButtonSet AllButtons() { return TButtonSet(0x3FF); }
    // The hints a button has while Hints leaves its position empty.
    static QStringList DefaultHints();
    // The picture drawn for a button (its bottom-left pixel's colour is the transparent one).
    static QImage ButtonGlyph(TNavigateBtn button);

    explicit TDBNavigator(QWidget *parent = nullptr);
    ~TDBNavigator() override;

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left) { move(left, y()); }
    void SetTop(int top) { move(x(), top); }
    // The buttons are laid out at once, also while the navigator is not shown yet.
    void SetWidth(int width) { SetBounds(x(), y(), width, height()); }
    void SetHeight(int height) { SetBounds(x(), y(), width(), height); }
    void SetBounds(int left, int top, int width, int height);

    // The navigator's own hint, shown over it (not over a button) while ShowHint is on.
    QString Hint() const { return m_hint; }
    void SetHint(const QString &hint);
    // Whether the hints are shown as tool tips at all.
    bool ShowHint() const { return m_showHint; }
    void SetShowHint(bool show);
    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    TButtonSet VisibleButtons() const { return m_visibleButtons; }
    void SetVisibleButtons(TButtonSet buttons);
    // Button hints by position in the fixed order; an empty or missing text keeps the default.
    QStringList Hints() const { return m_hints; }
    void SetHints(const QStringList &hints);
    QString ButtonHint(TNavigateBtn button) const;
    bool Flat() const { return m_flat; }
    void SetFlat(bool flat);
    bool ConfirmDelete() const { return m_confirmDelete; }
    void SetConfirmDelete(bool confirm) { m_confirmDelete = confirm; }

    TSpeedButton *Button(TNavigateBtn button) const;
    // Presses a button the way a click does (disabled or hidden buttons included).
    void BtnClick(TNavigateBtn button);

    std::function<void(QObject *Sender, TNavigateBtn Button)> BeforeAction;
    std::function<void(QObject *Sender, TNavigateBtn Button)> OnClick;

protected:
    void Loaded() override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    friend class TDBNavigatorLink;

    TTable *Table() const;
    void LayoutButtons();
    void ApplyHints();
    void ActiveChanged();
    void DataChanged();
    void EditingChanged();

    std::unique_ptr<TDBNavigatorLink> m_link;
    std::array<TSpeedButton *, ButtonCount> m_buttons{};
    TButtonSet m_visibleButtons = AllButtons();
    QStringList m_hints;
    QString m_hint;
    bool m_showHint = false;
    bool m_flat = false;
    bool m_confirmDelete = true;
};
