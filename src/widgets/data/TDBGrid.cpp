#include "TDBGrid.h"

#include "Dialogs.h"
#include "Exceptions.h"
#include "TApplication.h"
#include "TDataLink.h"
#include "TDataSource.h"
#include "TField.h"
#include "TRecordWindowModel.h"
#include "TTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimerEvent>

#include <limits>

namespace {

constexpr int kIndicatorWidth = 12;
constexpr int kGridLineWidth = 1;

Qt::Alignment TitleAlignment(Tk::TAlignment alignment)
{
    switch (alignment) {
    case Tk::taRightJustify: return Qt::AlignRight | Qt::AlignVCenter;
    case Tk::taCenter: return Qt::AlignHCenter | Qt::AlignVCenter;
    default: return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

// Characters a default column makes room for, by the kind of its field.
int DefaultCharacters(const TField *field)
{
    switch (field->DataType()) {
    case ftString: return qBound(4, field->Size(), 24);
    case ftDate: return 10;
    default: return 8;
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

void TColumnTitle::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    emit Changed();
}

void TColumnTitle::SetAlignment(Tk::TAlignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    emit Changed();
}

TColumn::TColumn(QObject *parent) : QObject(parent), m_title(new TColumnTitle(this))
{
    connect(m_title, &TColumnTitle::Changed, this, &TColumn::Changed);
}

void TColumn::SetFieldName(const QString &name)
{
    if (m_fieldName == name)
        return;
    m_fieldName = name;
    emit Changed();
}

void TColumn::SetWidth(int width)
{
    width = qMax(0, width);
    if (m_width == width)
        return;
    m_width = width;
    emit Changed();
}

TField *TColumn::Field() const
{
    TTable *table = m_grid ? m_grid->Table() : nullptr;
    return table && table->Active() ? table->FindField(m_fieldName) : nullptr;
}

QString TColumn::TitleText() const
{
    if (!m_title->Caption().isEmpty())
        return m_title->Caption();
    if (TField *field = Field())
        return field->DisplayLabel();
    return m_fieldName;
}

TColumn *TDBGridColumns::Add()
{
    auto *column = new TColumn(this);
    column->m_grid = qobject_cast<TDBGrid *>(parent());
    m_items.append(column);
    connect(column, &TColumn::Changed, this, &TDBGridColumns::Changed);
    emit Changed();
    return column;
}

TColumn *TDBGridColumns::Add(const QString &fieldName, const QString &title, Tk::TAlignment titleAlignment, int width)
{
    QSignalBlocker quiet(this);
    TColumn *column = Add();
    column->SetFieldName(fieldName);
    column->Title()->SetCaption(title);
    column->Title()->SetAlignment(titleAlignment);
    column->SetWidth(width);
    quiet.unblock();
    emit Changed();
    return column;
}

void TDBGridColumns::Clear()
{
    if (m_items.isEmpty())
        return;
    qDeleteAll(std::exchange(m_items, {}));
    emit Changed();
}

// ---------------------------------------------------------------------------------------------

// Writes an open cell editor into the record whenever the table asks its widgets for their
// pending changes (a post or a move started elsewhere, by a navigator for instance).
class TDBGridLink : public TDataLink
{
public:
    std::function<void()> OnUpdateData;
    std::function<void()> OnActiveChange;
    std::function<void()> OnEditingChange;

protected:
    void EditingChanged() override
    {
        if (OnEditingChange)
            OnEditingChange();
    }
    void UpdateData() override
    {
        if (OnUpdateData)
            OnUpdateData();
    }
    void ActiveChanged() override
    {
        if (OnActiveChange)
            OnActiveChange();
    }
};

class TDBGrid::TitleHeader : public QHeaderView
{
public:
    explicit TitleHeader(TDBGrid *grid) : QHeaderView(Qt::Horizontal, grid), m_grid(grid)
    {
        setSectionResizeMode(QHeaderView::Interactive);
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(kGridLineWidth + 1);
        viewport()->setBackgroundRole(QPalette::Base);
    }

    QSize sizeHint() const override
    {
        QSize size = QHeaderView::sizeHint();
        size.setHeight(QFontMetrics(m_grid->TitleFont()).height() + 4 + kGridLineWidth);
        return size;
    }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        m_grid->PaintFixedCell(*painter, rect);
        const TColumn *column = m_grid->ColumnAt(logicalIndex);
        if (!column)
            return;
        painter->save();
        painter->setFont(m_grid->TitleFont());
        painter->setPen(ToQColor(m_grid->TitleFontColor()));
        const QRect textRect = rect.adjusted(2, 1, -2 - kGridLineWidth, -kGridLineWidth);
        painter->setClipRect(textRect);
        painter->drawText(textRect, int(TitleAlignment(column->Title()->Alignment())) | Qt::TextSingleLine, column->TitleText());
        painter->restore();
    }

private:
    TDBGrid *m_grid;
};

// The row indicator: a triangle at the current record, an I-beam while it is edited, an
// asterisk on a new record.
class TDBGrid::IndicatorHeader : public QHeaderView
{
public:
    explicit IndicatorHeader(TDBGrid *grid) : QHeaderView(Qt::Vertical, grid), m_grid(grid)
    {
        setSectionResizeMode(QHeaderView::Fixed);
        setSectionsClickable(false);
        setHighlightSections(false);
        setMinimumSectionSize(1);
        viewport()->setBackgroundRole(QPalette::Base);
    }

    QSize sizeHint() const override { return QSize(kIndicatorWidth, QHeaderView::sizeHint().height()); }

protected:
    void paintSection(QPainter *painter, const QRect &rect, int logicalIndex) const override
    {
        if (!rect.isValid())
            return;
        m_grid->PaintFixedCell(*painter, rect);
        if (logicalIndex != m_grid->m_model->ActiveRow())
            return;
        const TTable *table = m_grid->Table();
        const TDataSetState state = table ? table->State() : dsInactive;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::black);
        painter->setBrush(Qt::black);
        const QPoint c = rect.adjusted(0, 0, -kGridLineWidth, -kGridLineWidth).center();
        if (state == dsInsert) {
            painter->drawLine(c.x() - 3, c.y(), c.x() + 3, c.y());
            painter->drawLine(c.x(), c.y() - 3, c.x(), c.y() + 3);
            painter->drawLine(c.x() - 2, c.y() - 2, c.x() + 2, c.y() + 2);
            painter->drawLine(c.x() - 2, c.y() + 2, c.x() + 2, c.y() - 2);
        } else if (state == dsEdit) {
            painter->drawLine(c.x(), c.y() - 4, c.x(), c.y() + 4);
            painter->drawLine(c.x() - 2, c.y() - 4, c.x() + 2, c.y() - 4);
            painter->drawLine(c.x() - 2, c.y() + 4, c.x() + 2, c.y() + 4);
        } else {
            for (int i = 0; i <= 4; ++i)
                painter->drawLine(c.x() - 2 + i, c.y() - 4 + i, c.x() - 2 + i, c.y() + 4 - i);
        }
        painter->restore();
    }

private:
    TDBGrid *m_grid;
};

class TDBGrid::CellDelegate : public QStyledItemDelegate
{
public:
    explicit CellDelegate(TDBGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}

    QWidget *Editor() const { return m_editor; }

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto *line = qobject_cast<QLineEdit *>(editor)) {
            line->setFrame(false);
            if (TField *field = m_grid->m_model->ColumnField(index.column()); field && field->Size() > 0)
                line->setMaxLength(field->Size());
            // The record enters edit state with the first change typed, as the indicator shows.
            QObject::connect(line, &QLineEdit::textEdited, m_grid, [grid = m_grid] { grid->BeginRecordEdit(); });
        }
        if (editor)
            editor->installEventFilter(m_grid);
        m_editor = editor;
        return editor;
    }

    void destroyEditor(QWidget *editor, const QModelIndex &index) const override
    {
        if (m_editor == editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    // An editor left as it was opened writes nothing: a new record nobody typed into stays
    // unchanged and is dropped when the grid is left.
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const QByteArray property = editor->metaObject()->userProperty().name();
        if (!property.isEmpty() && editor->property(property).toString() == index.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setModelData(editor, model, index);
    }

private:
    TDBGrid *m_grid;
    mutable QPointer<QWidget> m_editor;
};

// ---------------------------------------------------------------------------------------------

TDBGrid::TDBGrid(QWidget *parent)
    : QTableView(parent),
      m_model(new TRecordWindowModel(this)),
      m_columns(new TDBGridColumns(this)),
      m_link(std::make_unique<TDBGridLink>()),
      m_titleHeader(new TitleHeader(this)),
      m_indicator(new IndicatorHeader(this)),
      m_delegate(new CellDelegate(this))
{
    m_titleFont = font();
    setHorizontalHeader(m_titleHeader);
    setVerticalHeader(m_indicator);
    setItemDelegate(m_delegate);
    setModel(m_model);

    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(GridEditTriggers());
    setTabKeyNavigation(true);
    setWordWrap(false);
    setShowGrid(true);
    setGridStyle(Qt::SolidLine);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCornerButtonEnabled(false);
    setAutoScroll(false); // the rows never scroll inside the view
    if (auto *corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
        corner->installEventFilter(this);
    UpdateRowHeight();
    ApplyColor();

    m_link->OnUpdateData = [this] { CommitEditor(); };
    m_link->OnActiveChange = [this] { UpdateRecordScrollBar(); };
    // A record that leaves edit state without being posted (a cancel, from a navigator say)
    // takes along what the cell editor holds: a post has written the editor beforehand.
    m_link->OnEditingChange = [this] {
        const TTable *table = Table();
        if (!table || !table->Editing())
            CloseEditor();
    };

    connect(m_columns, &TDBGridColumns::Changed, this, &TDBGrid::ColumnsChanged);
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        MapColumns();
        SyncCurrentCell();
        UpdateRecordScrollBar();
    });
    connect(m_model, &TRecordWindowModel::ActiveRowChanged, this, [this] {
        SyncCurrentCell();
        m_indicator->viewport()->update();
        UpdateRecordScrollBar();
    });
    connect(m_model, &QAbstractItemModel::dataChanged, this, [this] {
        m_indicator->viewport()->update();
        UpdateRecordScrollBar();
    });
    // The message waits until the cell editor's write has unwound: while its box is open the
    // grid may be destroyed, and nothing of it may be on the stack then.
    connect(m_model, &TRecordWindowModel::EditFailed, qApp, [](const QString &message) { ShowMessage(message); },
            Qt::QueuedConnection);
    connect(m_titleHeader, &QHeaderView::sectionResized, this, &TDBGrid::ColumnResized);
    connect(verticalScrollBar(), &QAbstractSlider::actionTriggered, this, &TDBGrid::ScrollBarAction);
    connect(verticalScrollBar(), &QAbstractSlider::sliderReleased, this, &TDBGrid::ScrollBarReleased);
    connect(qApp, &QApplication::focusChanged, this, &TDBGrid::FocusChanged);
}

TDBGrid::~TDBGrid()
{
    // Nothing may reach a half-destroyed grid: not the table, not the focus changes that
    // destroying the children causes.
    disconnect(qApp, nullptr, this, nullptr);
    m_link.reset();
}

TDataSource *TDBGrid::DataSource() const
{
    return m_model->DataSource();
}

void TDBGrid::SetDataSource(TDataSource *source)
{
    if (DataSource() == source && m_link->DataSource() == source)
        return;
    m_link->SetDataSource(source);
    m_model->SetDataSource(source);
    MapColumns();
    UpdateRecordScrollBar();
}

TTable *TDBGrid::Table() const
{
    return m_link->DataSet();
}

void TDBGrid::SetColor(TColor color)
{
    if (m_color == color)
        return;
    m_color = color;
    ApplyColor();
}

void TDBGrid::ApplyColor()
{
    // The grid keeps its own colour whatever colour the window around it takes.
    for (QWidget *area : {viewport(), m_titleHeader->viewport(), m_indicator->viewport()}) {
        QPalette colours = area->palette();
        colours.setColor(QPalette::Base, ToQColor(m_color));
        colours.setColor(QPalette::Window, ToQColor(m_color));
        area->setPalette(colours);
        area->setBackgroundRole(QPalette::Base);
        area->setAutoFillBackground(true);
    }
}

void TDBGrid::SetFixedColor(TColor color)
{
    if (m_fixedColor == color)
        return;
    m_fixedColor = color;
    m_titleHeader->viewport()->update();
    m_indicator->viewport()->update();
    if (auto *corner = findChild<QAbstractButton *>(QString(), Qt::FindDirectChildrenOnly))
        corner->update();
}

void TDBGrid::SetTitleFont(const QFont &font)
{
    if (m_titleFont == font)
        return;
    m_titleFont = font;
    m_titleHeader->updateGeometry();
    updateGeometries();
    m_titleHeader->viewport()->update();
}

void TDBGrid::SetTitleFontColor(TColor color)
{
    if (m_titleFontColor == color)
        return;
    m_titleFontColor = color;
    m_titleHeader->viewport()->update();
}

void TDBGrid::SetReadOnly(bool readOnly)
{
    if (m_readOnly == readOnly)
        return;
    m_readOnly = readOnly;
    m_link->SetReadOnly(readOnly);
    CloseEditor();
    m_clickEditTimer.stop();
    setEditTriggers(GridEditTriggers());
}

QAbstractItemView::EditTriggers TDBGrid::GridEditTriggers() const
{
    // A click on the current cell opens its editor through the grid's own timer (see
    // mouseReleaseEvent), never through the view's: the view's drops every key typed while it runs.
    return m_readOnly ? QAbstractItemView::NoEditTriggers
                      : QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed;
}

bool TDBGrid::CanEdit() const
{
    const TTable *table = Table();
    return !m_readOnly && table && table->Active() && table->CanModify();
}

TColumn *TDBGrid::ColumnAt(int viewColumn) const
{
    return m_viewColumns.value(viewColumn);
}

int TDBGrid::RowHeight() const
{
    return fontMetrics().height() + 3 + kGridLineWidth;
}

int TDBGrid::VisibleRowCount() const
{
    return qMax(1, viewport()->height() / RowHeight());
}

void TDBGrid::UpdateRowHeight()
{
    m_indicator->setMinimumSectionSize(1);
    m_indicator->setDefaultSectionSize(RowHeight());
    m_model->SetWindowSize(VisibleRowCount());
}

void TDBGrid::Loaded()
{
    ColumnsChanged();
}

void TDBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        UpdateRowHeight();
}

// ---------------------------------------------------------------------------------------------
// Columns

void TDBGrid::ColumnsChanged()
{
    if (IsLoading())
        return;
    QStringList names;
    for (int i = 0; i < m_columns->Count(); ++i)
        names << m_columns->Items(i)->FieldName();
    m_model->SetColumns(names);
    MapColumns();
}

QVariantList TDBGrid::ColumnItems() const
{
    QVariantList items;
    for (int i = 0; i < m_columns->Count(); ++i) {
        const TColumn *column = m_columns->Items(i);
        items << QVariantMap{{QStringLiteral("FieldName"), column->FieldName()},
                             {QStringLiteral("Width"), column->Width()},
                             {QStringLiteral("Title.Caption"), column->Title()->Caption()},
                             {QStringLiteral("Title.Alignment"), int(column->Title()->Alignment())}};
    }
    return items;
}

void TDBGrid::SetColumnItems(const QVariantList &items)
{
    QSignalBlocker quiet(m_columns);
    m_columns->Clear();
    for (const QVariant &item : items) {
        TColumn *column = m_columns->Add();
        const QVariantMap values = item.toMap();
        for (auto it = values.begin(); it != values.end(); ++it) {
            QObject *target = column;
            QString name = it.key();
            if (name.startsWith(QLatin1String("Title."))) {
                target = column->Title();
                name = name.mid(6);
            }
            if (!target->setProperty(name.toLatin1().constData(), it.value()))
                throw EInvalidOperation(QStringLiteral("A grid column has no property '%1' taking %2").arg(it.key(), it.value().toString()));
        }
    }
    quiet.unblock();
    ColumnsChanged();
}

void TDBGrid::RebuildDefaultColumns()
{
    QStringList fieldNames;
    for (int k = 0; k < m_model->columnCount(); ++k)
        fieldNames << m_model->ColumnField(k)->FieldName();
    QStringList current;
    for (const TColumn *column : std::as_const(m_defaultColumns))
        current << column->FieldName();
    if (current == fieldNames)
        return;
    qDeleteAll(std::exchange(m_defaultColumns, {}));
    const QFontMetrics metrics(font());
    const QFontMetrics titleMetrics(m_titleFont);
    for (int k = 0; k < m_model->columnCount(); ++k) {
        TField *field = m_model->ColumnField(k);
        auto *column = new TColumn(this);
        column->m_grid = this;
        column->m_fieldName = field->FieldName();
        column->m_width = qMax(metrics.averageCharWidth() * DefaultCharacters(field),
                               titleMetrics.horizontalAdvance(field->DisplayLabel())) + 4;
        m_defaultColumns << column;
    }
}

void TDBGrid::MapColumns()
{
    if (m_columns->Count() == 0)
        RebuildDefaultColumns();
    QList<TColumn *> source;
    for (int i = 0; i < m_columns->Count(); ++i)
        source << m_columns->Items(i);
    if (source.isEmpty())
        source = m_defaultColumns;
    // The model leaves out columns whose field the table lacks; the rest keep their order.
    m_viewColumns.clear();
    qsizetype next = 0;
    for (int k = 0; k < m_model->columnCount(); ++k) {
        const QString name = m_model->ColumnField(k)->FieldName();
        while (next < source.size() && source[next]->FieldName().compare(name, Qt::CaseInsensitive) != 0)
            ++next;
        m_viewColumns << source.value(next);
        ++next;
    }
    ApplyColumnWidths();
    m_titleHeader->viewport()->update();
}

void TDBGrid::ApplyColumnWidths()
{
    m_applyingWidths = true;
    for (int k = 0; k < m_viewColumns.size(); ++k)
        if (const TColumn *column = m_viewColumns[k])
            m_titleHeader->resizeSection(k, column->Width() + kGridLineWidth);
    m_applyingWidths = false;
}

void TDBGrid::ColumnResized(int viewColumn, int oldSize, int newSize)
{
    Q_UNUSED(oldSize);
    if (m_applyingWidths)
        return;
    // The user dragged the title's edge: the column keeps the width through later resets.
    if (TColumn *column = ColumnAt(viewColumn))
        column->m_width = qMax(0, newSize - kGridLineWidth);
}

// ---------------------------------------------------------------------------------------------
// The current cell and the record window

void TDBGrid::SyncCurrentCell()
{
    const int row = m_model->ActiveRow();
    if (row < 0 || m_model->columnCount() == 0)
        return;
    const QModelIndex target = m_model->index(row, qBound(0, m_selectedColumn, m_model->columnCount() - 1));
    if (currentIndex() == target)
        return;
    // The record moved under an open editor: what it holds belonged to the record left behind
    // (a pending change was written when the table asked for it).
    CloseEditor();
    m_syncing = true;
    selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
    m_syncing = false;
}

void TDBGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    // The base writes an open editor into the record it belongs to, which is still current.
    QTableView::currentChanged(current, previous);
    if (current.isValid())
        m_selectedColumn = current.column();
    if (m_syncing || !current.isValid() || m_model->ActiveRow() < 0 || current.row() == m_model->ActiveRow())
        return;
    RunGuarded([&] { m_model->SetActiveRow(current.row()); });
    SyncCurrentCell();
}

void TDBGrid::dataChanged(const QModelIndex &topLeft, const QModelIndex &bottomRight, const QList<int> &roles)
{
    // The record changes under an open editor when typing starts its edit state: the editor
    // keeps what is typed into it instead of being refilled from the record.
    if (m_delegate->Editor() && state() == QAbstractItemView::EditingState) {
        viewport()->update();
        return;
    }
    QTableView::dataChanged(topLeft, bottomRight, roles);
}

void TDBGrid::CommitEditor()
{
    QWidget *editor = m_delegate->Editor();
    if (!editor || state() != QAbstractItemView::EditingState)
        return;
    commitData(editor);
    closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::CloseEditor()
{
    if (QWidget *editor = m_delegate->Editor(); editor && state() == QAbstractItemView::EditingState)
        closeEditor(editor, QAbstractItemDelegate::NoHint);
}

void TDBGrid::BeginRecordEdit()
{
    RunGuarded([this] { m_link->Edit(); });
}

int TDBGrid::MoveRecords(int rows)
{
    TTable *table = Table();
    if (!table || !table->Active() || rows == 0)
        return 0;
    CommitEditor();
    int moved = 0;
    RunGuarded([&] { moved = table->MoveBy(rows); });
    return moved;
}

void TDBGrid::GoToEnd(bool last)
{
    TTable *table = Table();
    if (!table || !table->Active())
        return;
    CommitEditor();
    RunGuarded([&] {
        if (last)
            table->Last();
        else
            table->First();
    });
}

void TDBGrid::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    m_model->SetWindowSize(VisibleRowCount());
}

void TDBGrid::scrollContentsBy(int dx, int dy)
{
    // The rows never scroll: the model's window moves instead, and the vertical scroll bar only
    // shows where the current record stands.
    Q_UNUSED(dy);
    QTableView::scrollContentsBy(dx, 0);
}

void TDBGrid::updateGeometries()
{
    QTableView::updateGeometries();
    UpdateRecordScrollBar();
}

namespace {

// The scroll bar counts in int: a table of more records than that is mapped proportionally.
constexpr qint64 kBarRange = std::numeric_limits<int>::max();

int BarPlace(qint64 place, qint64 count)
{
    return count - 1 <= kBarRange ? int(place) : int(double(place) * double(kBarRange) / double(count - 1));
}

qint64 RecordPlace(int barValue, qint64 count)
{
    return count - 1 <= kBarRange ? qint64(barValue) : qint64(double(barValue) * double(count - 1) / double(kBarRange));
}

} // namespace

void TDBGrid::UpdateRecordScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    TTable *table = Table();
    int maximum = 0;
    int value = 0;
    if (table && table->Active() && table->State() != dsInsert && table->CurrentRecord() && m_model->ActiveRow() >= 0) {
        // The bar maps the whole table: one place per record, the thumb at the current one.
        qint64 count = 0;
        qint64 number = 0;
        RunGuarded([&] {
            count = table->KnownRecordCount();
            number = table->RecNo();
        });
        if (count > m_model->rowCount() && number > 0) {
            maximum = BarPlace(count - 1, count);
            value = BarPlace(qMin(number, count) - 1, count);
        }
    } else if (table && table->State() == dsInsert) {
        return; // keep the position of the record the new one stands beside
    }
    const QSignalBlocker quiet(bar);
    bar->setRange(0, maximum);
    bar->setPageStep(VisibleRowCount());
    bar->setSingleStep(1);
    bar->setValue(value);
    bar->setSliderPosition(value);
    bar->setEnabled(maximum > 0);
}

void TDBGrid::ScrollBarAction(int action)
{
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: MoveRecords(1); break;
    case QAbstractSlider::SliderSingleStepSub: MoveRecords(-1); break;
    case QAbstractSlider::SliderPageStepAdd: MoveRecords(VisibleRowCount()); break;
    case QAbstractSlider::SliderPageStepSub: MoveRecords(-VisibleRowCount()); break;
    case QAbstractSlider::SliderToMinimum: GoToEnd(false); break;
    case QAbstractSlider::SliderToMaximum: GoToEnd(true); break;
    default: return; // a drag is settled when the thumb is released
    }
    UpdateRecordScrollBar();
}

void TDBGrid::ScrollBarReleased()
{
    QScrollBar *bar = verticalScrollBar();
    TTable *table = Table();
    if (bar->maximum() > 0 && table && table->Active()) {
        const int position = bar->sliderPosition();
        if (position <= bar->minimum()) {
            GoToEnd(false);
        } else if (position >= bar->maximum()) {
            GoToEnd(true);
        } else {
            CommitEditor();
            RunGuarded([&] { table->SetRecNo(RecordPlace(position, table->KnownRecordCount()) + 1); });
        }
    }
    UpdateRecordScrollBar();
}

void TDBGrid::wheelEvent(QWheelEvent *event)
{
    const int delta = event->angleDelta().y();
    if (delta == 0) {
        QTableView::wheelEvent(event);
        return;
    }
    m_wheelRemainder += delta;
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder -= notches * 120;
    if (notches != 0)
        MoveRecords(-notches * QApplication::wheelScrollLines());
    event->accept();
}

// ---------------------------------------------------------------------------------------------
// Keyboard and mouse

QModelIndex TDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    Q_UNUSED(modifiers);
    const int columns = m_model->columnCount();
    if (m_model->ActiveRow() < 0 || columns == 0)
        return QModelIndex();
    const int column = qBound(0, currentIndex().isValid() ? currentIndex().column() : m_selectedColumn, columns - 1);
    auto cell = [this](int c) { return m_model->index(m_model->ActiveRow(), c); };
    switch (action) {
    case MoveLeft: return cell(qMax(0, column - 1));
    case MoveRight: return cell(qMin(columns - 1, column + 1));
    case MoveHome: return cell(0);
    case MoveEnd: return cell(columns - 1);
    case MoveNext:
        if (column + 1 < columns)
            return cell(column + 1);
        // Past the last cell of the last record, Tab leaves the grid.
        return MoveRecords(1) != 0 ? cell(0) : QModelIndex();
    case MovePrevious:
        if (column > 0)
            return cell(column - 1);
        return MoveRecords(-1) != 0 ? cell(columns - 1) : QModelIndex();
    default:
        // Rows are the table's records: keyPressEvent moves the table for the vertical keys.
        return cell(column);
    }
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    // A key typed before the click's editor opened opens it itself and goes into it.
    m_clickEditTimer.stop();
    TTable *table = Table();
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    const bool ctrl = mods == Qt::ControlModifier;
    const bool plain = mods == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Up:
        if (plain && table && table->State() == dsInsert && !table->Modified()) {
            CloseEditor();
            RunGuarded([table] { table->Cancel(); });
        } else if (plain) {
            MoveRecords(-1);
        }
        event->accept();
        return;
    case Qt::Key_Down:
        if (plain)
            MoveRecords(1);
        event->accept();
        return;
    case Qt::Key_PageUp:
        MoveRecords(-VisibleRowCount());
        event->accept();
        return;
    case Qt::Key_PageDown:
        MoveRecords(VisibleRowCount());
        event->accept();
        return;
    case Qt::Key_Home:
    case Qt::Key_End:
        if (ctrl) {
            GoToEnd(event->key() == Qt::Key_End);
            event->accept();
            return;
        }
        break;
    case Qt::Key_Delete:
        if (ctrl) {
            DeleteWithQuestion();
            event->accept();
            return;
        }
        break;
    case Qt::Key_Insert:
        if (plain && CanEdit()) {
            CommitEditor();
            RunGuarded([table] { table->Insert(); });
            event->accept();
            return;
        }
        break;
    case Qt::Key_Escape:
        if (plain && table && table->Editing() && state() != QAbstractItemView::EditingState) {
            RunGuarded([table] { table->Cancel(); });
            event->accept();
            return;
        }
        break;
    default:
        break;
    }
    QTableView::keyPressEvent(event);
}

bool TDBGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Paint && watched->parent() == this && qobject_cast<QAbstractButton *>(watched)) {
        // The corner above the indicator belongs to the fixed cells.
        auto *corner = static_cast<QWidget *>(watched);
        QPainter painter(corner);
        PaintFixedCell(painter, corner->rect());
        return true;
    }
    if (event->type() == QEvent::KeyPress && watched == m_delegate->Editor()) {
        // Deleting a record works from inside the cell editor as well.
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Delete && (key->modifiers() & ~Qt::KeypadModifier) == Qt::ControlModifier) {
            DeleteWithQuestion();
            return true;
        }
    }
    return QTableView::eventFilter(watched, event);
}

void TDBGrid::DeleteWithQuestion()
{
    TTable *table = Table();
    if (!CanEdit() || table->IsEmpty())
        return;
    const QPointer<TDBGrid> self(this);
    const QPointer<TTable> guarded(table);
    const bool yes = MessageDlg(QStringLiteral("Delete record?"), mtConfirmation, {mrOk, mrCancel}, mrOk, mrCancel) == mrOk;
    // The box ran its own event loop: the grid or its table may be gone by now.
    if (!self || !yes || !guarded || guarded != Table() || !guarded->Active())
        return;
    CloseEditor();
    RunGuarded([&] { guarded->Delete(); });
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    m_clickEditTimer.stop();
    const QModelIndex before = currentIndex();
    const bool editing = state() == QAbstractItemView::EditingState;
    QTableView::mousePressEvent(event);
    m_pressedOnCurrent = event->button() == Qt::LeftButton && !editing && before.isValid()
                         && indexAt(event->position().toPoint()) == before && currentIndex() == before;
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_clickEditTimer.stop();
    m_pressedOnCurrent = false;
    QTableView::mouseDoubleClickEvent(event);
}

void TDBGrid::mouseReleaseEvent(QMouseEvent *event)
{
    const bool pressedOnCurrent = std::exchange(m_pressedOnCurrent, false);
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    // A second click on the current cell opens its editor once it is clear that no double
    // click follows.
    const TTable *table = Table();
    if (pressedOnCurrent && index == currentIndex() && !m_readOnly && state() != QAbstractItemView::EditingState
        && table && table->CurrentRecord()) {
        m_clickEditRecord = table->CurrentRecord()->Id;
        m_clickEditTimer.start(QApplication::doubleClickInterval(), this);
    }
    if (!OnCellClick)
        return;
    TColumn *column = ColumnAt(index.column());
    RunGuarded([&] { OnCellClick(this, column); });
}

void TDBGrid::timerEvent(QTimerEvent *event)
{
    if (event->timerId() != m_clickEditTimer.timerId()) {
        QTableView::timerEvent(event);
        return;
    }
    m_clickEditTimer.stop();
    // Only the cell that was clicked opens, not one a handler of the click moved to meanwhile.
    const TTable *table = Table();
    const QModelIndex index = currentIndex();
    if (index.isValid() && state() != QAbstractItemView::EditingState && hasFocus() && table
        && table->CurrentRecord() && table->CurrentRecord()->Id == m_clickEditRecord)
        RunGuarded([&] { edit(index, QAbstractItemView::EditKeyPressed, nullptr); });
}

void TDBGrid::FocusChanged(QWidget *old, QWidget *now)
{
    const bool wasInside = old && (old == this || isAncestorOf(old));
    const bool isInside = now && (now == this || isAncestorOf(now));
    if (!wasInside || isInside)
        return;
    m_clickEditTimer.stop();
    // An editor losing the focus has written its text already; what is left unchanged goes.
    TTable *table = Table();
    if (table && table->State() == dsInsert && !table->Modified())
        RunGuarded([table] { table->Cancel(); });
}

// ---------------------------------------------------------------------------------------------

void TDBGrid::PaintFixedCell(QPainter &painter, const QRect &rect) const
{
    painter.save();
    const QRect cell = rect.adjusted(0, 0, -kGridLineWidth, -kGridLineWidth);
    painter.fillRect(cell, ToQColor(m_fixedColor));
    painter.setPen(ToQColor(clBtnHighlight));
    painter.drawLine(cell.topLeft(), cell.topRight());
    painter.drawLine(cell.topLeft(), cell.bottomLeft());
    painter.setPen(ToQColor(clBtnShadow));
    painter.drawLine(cell.bottomLeft(), cell.bottomRight());
    painter.drawLine(cell.topRight(), cell.bottomRight());
    painter.setPen(ToQColor(clWindowText));
    painter.drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    painter.drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter.restore();
}
