#pragma once

#include "QtColor.h"
#include "TControlTypes.h"
#include "TDataSource.h"
#include "TLoadable.h"

#include <QBasicTimer>
#include <QHeaderView>
#include <QList>
#include <QPointer>
#include <QTableView>
#include <functional>
#include <memory>

class TDBGridLink;
class TDBGrid;
class TField;
class TRecordWindowModel;
class TTable;

// The caption and its alignment in a column's title cell. An empty caption shows the field's
// display label (its name unless the field has another label).
class TColumnTitle : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(Tk::TAlignment Alignment READ Alignment WRITE SetAlignment)

public:
    using enum Tk::TAlignment;

    explicit TColumnTitle(QObject *parent = nullptr) : QObject(parent) {}

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);
    Tk::TAlignment Alignment() const { return m_alignment; }
    void SetAlignment(Tk::TAlignment alignment);

signals:
    void Changed();

private:
    QString m_caption;
    Tk::TAlignment m_alignment = taLeftJustify;
};

// One column of a data grid: the field it shows, its width and its title.
class TColumn : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString FieldName READ FieldName WRITE SetFieldName)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(TColumnTitle *Title READ Title)

public:
    explicit TColumn(QObject *parent = nullptr);

    QString FieldName() const { return m_fieldName; }
    void SetFieldName(const QString &name);
    // The cell's width in pixels, without the grid line after it. Resizing the column in the
    // title row stores the new width here.
    int Width() const { return m_width; }
    void SetWidth(int width);
    TColumnTitle *Title() const { return m_title; }
    // The title shown: the caption, or the field's label when the caption is empty.
    QString TitleText() const;
    // The field of the open table this column shows; nullptr while closed or when there is none.
    TField *Field() const;

signals:
    void Changed();

private:
    friend class TDBGrid;
    friend class TDBGridColumns;

    QString m_fieldName;
    int m_width = 64;
    TColumnTitle *m_title;
    QPointer<TDBGrid> m_grid;
};

// The grid's columns in their order. While empty, the grid shows every field of the table.
class TDBGridColumns : public QObject
{
    Q_OBJECT

public:
    explicit TDBGridColumns(QObject *parent = nullptr) : QObject(parent) {}

    int Count() const { return int(m_items.size()); }
    TColumn *Items(int index) const { return m_items.value(index); }
    Q_INVOKABLE TColumn *Add();
    // Adds a column in one step (the way the window's layout lists them).
    TColumn *Add(const QString &fieldName, const QString &title, Tk::TAlignment titleAlignment, int width);
    void Clear();

signals:
    void Changed();

private:
    QList<TColumn *> m_items;
};

// The standard data grid: a table view over a window of records of one table around its current
// record. It holds only the rows it shows; the current record moves by arrow keys, Page Up/Down,
// the wheel and the vertical scroll bar, and the view follows it. The scroll bar maps the whole
// table, one place per record: the thumb stands at the current record's number, and dragging it
// makes the record at that place current. The records are never read as a whole: the number and
// the count come from the store.
//
// The left column is the row indicator (current row; edit and insert state); the top row holds
// the titles. Both are painted in FixedColor with TitleFont. A cell edit writes into the current
// record (the table enters edit state); a refused value is shown in a message box. Tab moves
// between cells, Insert inserts, Escape cancels the record's changes, Ctrl+Delete deletes the
// record after "Delete record?", and leaving the grid cancels a new record nobody typed into.
class TDBGrid : public QTableView, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString Name READ objectName WRITE setObjectName)
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Hint READ toolTip WRITE setToolTip)
    Q_PROPERTY(TDataSource *DataSource READ DataSource WRITE SetDataSource)
    Q_PROPERTY(QVariantList Columns READ ColumnItems WRITE SetColumnItems)
    Q_PROPERTY(qint32 Color READ Color WRITE SetColor)
    Q_PROPERTY(qint32 FixedColor READ FixedColor WRITE SetFixedColor)
    Q_PROPERTY(QFont TitleFont READ TitleFont WRITE SetTitleFont)
    Q_PROPERTY(qint32 TitleFontColor READ TitleFontColor WRITE SetTitleFontColor)
    Q_PROPERTY(bool ReadOnly READ ReadOnly WRITE SetReadOnly)

public:
    explicit TDBGrid(QWidget *parent = nullptr);
    ~TDBGrid() override;

    bool Visible() const { return !isHidden(); }
    void SetVisible(bool visible) { setVisible(visible); }
    int Left() const { return x(); }
    int Top() const { return y(); }
    int Width() const { return width(); }
    int Height() const { return height(); }
    void SetLeft(int left) { move(left, y()); }
    void SetTop(int top) { move(x(), top); }
    void SetWidth(int width) { resize(width, height()); }
    void SetHeight(int height) { resize(width(), height); }

    TDataSource *DataSource() const;
    void SetDataSource(TDataSource *source);
    TDBGridColumns *Columns() const { return m_columns; }
    // The columns as a layout lists them: one map per column with "FieldName", "Width",
    // "Title.Caption" and "Title.Alignment" (an alignment's name or number).
    QVariantList ColumnItems() const;
    void SetColumnItems(const QVariantList &items);
    // The data cells' colour, also where no cell is.
    TColor Color() const { return m_color; }
    void SetColor(TColor color);
    TColor FixedColor() const { return m_fixedColor; }
    void SetFixedColor(TColor color);
    QFont TitleFont() const { return m_titleFont; }
    void SetTitleFont(const QFont &font);
    TColor TitleFontColor() const { return m_titleFontColor; }
    void SetTitleFontColor(TColor color);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool readOnly);

    // The column shown at a view column (the grid's own, or the default column of a field).
    TColumn *ColumnAt(int viewColumn) const;
    // The column of the selected cell.
    TColumn *SelectedColumn() const { return ColumnAt(currentIndex().column()); }
    // How many data rows fit (the size of the record window).
    int VisibleRowCount() const;
    TRecordWindowModel *WindowModel() const { return m_model; }

    // A click that ends in a data cell, after its record became current.
    std::function<void(QObject *Sender, TColumn *Column)> OnCellClick;

protected:
    void Loaded() override;

    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    void dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles) override;
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    // Typed letters edit a cell or do nothing; they never jump to another record.
    void keyboardSearch(const QString &search) override { Q_UNUSED(search); }
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TitleHeader;
    class IndicatorHeader;
    class CellDelegate;
    friend class TColumn;

    TTable *Table() const;
    bool CanEdit() const;
    QAbstractItemView::EditTriggers GridEditTriggers() const;
    int RowHeight() const;
    void UpdateRowHeight();
    void ColumnsChanged();
    void RebuildDefaultColumns();
    void MapColumns();
    void ApplyColumnWidths();
    void ColumnResized(int viewColumn, int oldSize, int newSize);
    void SyncCurrentCell();
    void CommitEditor();
    void CloseEditor();
    void BeginRecordEdit();
    // Moves the current record (writing an open editor first); returns how far it moved.
    int MoveRecords(int rows);
    void GoToEnd(bool last);
    void UpdateRecordScrollBar();
    void ScrollBarAction(int action);
    void ScrollBarReleased();
    void DeleteWithQuestion();
    void FocusChanged(QWidget *old, QWidget *now);
    void PaintFixedCell(QPainter &painter, const QRect &rect) const;
    void ApplyColor();

    TRecordWindowModel *m_model;
    TDBGridColumns *m_columns;
    std::unique_ptr<TDBGridLink> m_link;
    QList<TColumn *> m_defaultColumns;   // one per field while Columns is empty
    QList<TColumn *> m_viewColumns;      // the column of each view column
    TitleHeader *m_titleHeader;
    IndicatorHeader *m_indicator;
    CellDelegate *m_delegate;
    TColor m_color = clWindow;
    TColor m_fixedColor = clBtnFace;
    QFont m_titleFont;
    TColor m_titleFontColor = clWindowText;
    bool m_readOnly = false;
    int m_selectedColumn = 0;
    int m_wheelRemainder = 0;
    bool m_syncing = false;
    bool m_applyingWidths = false;
    QBasicTimer m_clickEditTimer;
    bool m_pressedOnCurrent = false;
    qint64 m_clickEditRecord = 0;
};
