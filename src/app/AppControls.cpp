#include "AppControls.h"

#include "JpegImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStackedWidget>
#include <QTabBar>

TPageControl::TPageControl(QWidget *parent) : QTabWidget(parent)
{
    tabBar()->installEventFilter(this);
    tabBar()->setCursor(Qt::PointingHandCursor);
    setDocumentMode(false);
}

void TPageControl::AddPage(TTabSheet *page)
{
    addTab(page, page->Caption());
}

bool TPageControl::event(QEvent *event)
{
    const bool handled = QTabWidget::event(event);
    // QTabWidget lays its pages out again on these; the page area is put back each time.
    switch (event->type()) {
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::LayoutRequest:
    case QEvent::StyleChange:
    case QEvent::FontChange:
    case QEvent::Polish:
        PlacePages();
        break;
    default:
        break;
    }
    return handled;
}

void TPageControl::PlacePages()
{
    if (auto *stack = findChild<QStackedWidget *>(QString(), Qt::FindDirectChildrenOnly))
        stack->setGeometry(4, 25, qMax(0, width() - 8), qMax(0, height() - 29));
}

TTabSheet *TPageControl::ActivePage() const
{
    return qobject_cast<TTabSheet *>(currentWidget());
}

void TPageControl::SetActivePage(TTabSheet *page)
{
    if (page && indexOf(page) >= 0)
        setCurrentWidget(page);
}

TTabSheet *TPageControl::Pages(int index) const
{
    return qobject_cast<TTabSheet *>(widget(index));
}

bool TPageControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tabBar()) {
        if (event->type() == QEvent::MouseButtonPress) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            m_pressedTab = mouse->button() == Qt::LeftButton ? tabBar()->tabAt(mouse->position().toPoint()) : -1;
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            const int tab = tabBar()->tabAt(mouse->position().toPoint());
            const bool click = mouse->button() == Qt::LeftButton && tab >= 0 && tab == m_pressedTab;
            m_pressedTab = -1;
            if (click && OnClick) {
                // The page change happened on the press; the handler runs once the tab bar has
                // finished with the release.
                QMetaObject::invokeMethod(this, [this] { if (OnClick) OnClick(this); }, Qt::QueuedConnection);
            }
        }
    }
    return QTabWidget::eventFilter(watched, event);
}

TTabSheet::TTabSheet(QWidget *parent) : QWidget(parent)
{
    if (auto *pages = qobject_cast<TPageControl *>(parent))
        pages->AddPage(this);
}

void TTabSheet::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    // A sheet lives in the page set's stack; the page set is the stack's parent.
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget()) {
        if (auto *pages = qobject_cast<TPageControl *>(ancestor)) {
            const int index = pages->indexOf(this);
            if (index >= 0)
                pages->setTabText(index, caption);
            break;
        }
    }
}

TImage::TImage(QWidget *parent) : QWidget(parent) {}

void TImage::SetPicture(const QByteArray &data)
{
    const QImage image = DecodeJpeg(data);
    m_data = data;
    m_image = image;
    if (!IsLoading())
        AdjustSize();
    update();
}

void TImage::SetAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    if (!IsLoading())
        AdjustSize();
}

void TImage::AdjustSize()
{
    if (m_autoSize && !m_image.isNull())
        resize(m_image.size());
}

void TImage::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(0, 0, m_image);
}

void TImage::mouseReleaseEvent(QMouseEvent *event)
{
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && OnClick)
        OnClick(this);
}

TRichEdit::TRichEdit(QWidget *parent) : QTextEdit(parent)
{
    setAcceptRichText(false);
    SetScrollBars(ssNone);
}

QStringList TRichEdit::Lines() const
{
    return toPlainText().split(QLatin1Char('\n'));
}

void TRichEdit::SetLines(const QStringList &lines)
{
    setPlainText(lines.join(QLatin1Char('\n')));
}

void TRichEdit::SetScrollBars(TScrollStyle style)
{
    m_scrollBars = style;
    setHorizontalScrollBarPolicy(style == ssHorizontal || style == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(style == ssVertical || style == ssBoth ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

TCheckBox::TCheckBox(QWidget *parent) : QCheckBox(parent)
{
    connect(this, &QCheckBox::toggled, this, [this] {
        if (OnClick)
            OnClick(this);
    });
}
