#include "THintController.h"

#include "QtColor.h"

#include <QCursor>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

namespace {

THintController *&TheController()
{
    static THintController *controller = nullptr;
    return controller;
}

} // namespace

THintController::THintController()
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus)
{
    Q_ASSERT_X(!TheController(), "THintController", "the program has one hint controller");
    TheController() = this;
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    m_timer.setInterval(HintInterval);
    connect(&m_timer, &QTimer::timeout, this, &THintController::OnTimerTick);
}

THintController::~THintController()
{
    m_timer.stop();
    if (TheController() == this)
        TheController() = nullptr;
}

THintController *THintController::Instance() { return TheController(); }

void THintController::AddEdit(QWidget *field, THintProc show)
{
    m_edits.append(field);
    m_procs.Add(std::move(show));
}

void THintController::RemoveEdit(QWidget *field)
{
    if (m_current == field)
        CancelTip();
    const qsizetype index = m_edits.indexOf(field);
    if (index < 0)
        return;
    m_edits.removeAt(index);
    m_procs.Delete(int(index));
}

void THintController::TrackEdit(QWidget *field, int x, int y)
{
    Q_UNUSED(x);
    Q_UNUSED(y);
    if (m_current != field)
        CancelTip();
    if (m_current)
        return;
    m_current = field;
    m_state = hsTracking;
    m_timer.start();
}

void THintController::CancelTip()
{
    m_timer.stop();
    m_timer.setInterval(HintInterval);
    m_counter = 0;
    if (m_state == hsShowing)
        hide();
    m_current = nullptr;
    m_state = hsIdle;
}

void THintController::OnTimerTick()
{
    if (m_state != hsTracking)
        return;
    if (m_counter > 0)
        AskForTip();
    else
        ++m_counter;
}

void THintController::AskForTip()
{
    m_counter = 0;
    const qsizetype index = m_edits.indexOf(m_current.data());
    if (index < 0) {
        CancelTip();
        return;
    }
    // The show operation may run arbitrary code (it paints, measures, could even destroy the field):
    // work on a copy and check afterwards that the field is still the one being tracked.
    const THintProc show = m_procs.At(int(index));
    const QPointer<QWidget> field = m_current;
    const bool shown = show && show(QCursor::pos());
    if (!field || m_current != field)
        return;
    if (shown)
        m_state = hsShowing;
    else
        CancelTip();
}

void THintController::ShowTip(const QRect &rect, const QString &text)
{
    m_tipText = text;
    QRect tip = rect;
    tip.setBottom(tip.bottom() + 4);

    QScreen *screen = QGuiApplication::screenAt(tip.topLeft());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect desktop = screen->geometry();
        if (tip.bottom() > desktop.bottom())
            tip.moveBottom(desktop.bottom());
        if (tip.right() > desktop.right())
            tip.moveRight(desktop.right());
        if (tip.left() < desktop.left())
            tip.moveLeft(desktop.left());
    }
    setGeometry(tip);
    update();
    show();
    raise();
}

void THintController::SetTipFont(const QFont &font)
{
    m_tipFont = font;
    setFont(font);
}

int THintController::TextWidth(const QString &text) const
{
    return QFontMetrics(m_tipFont).horizontalAdvance(text);
}

void THintController::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), ToQColor(clAqua));
    painter.setPen(ToQColor(clBlack));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.setFont(m_tipFont);
    // Inside the frame, shrunk by one more pixel; "&" is plain text here.
    painter.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, m_tipText);
}

void THintController::mouseMoveEvent(QMouseEvent *event)
{
    CancelTip();
    QWidget::mouseMoveEvent(event);
}
