#pragma once

#include <QFont>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <vector>

// The show operation a field hands to the hint controller: called with the mouse position on the
// screen, it shows the tip (through ShowTip) and answers whether it did.
using THintProc = std::function<bool(const QPoint &screenPoint)>;

// The show operations of the known fields, entry i belonging to field i of the controller's field
// list. Owns its entries.
class THintProcList
{
public:
    int Count() const { return int(m_procs.size()); }
    void Add(THintProc proc) { m_procs.push_back(std::move(proc)); }
    void Delete(int index) { m_procs.erase(m_procs.begin() + index); }
    const THintProc &At(int index) const { return m_procs.at(size_t(index)); }

private:
    std::vector<THintProc> m_procs;
};

// The one tip window of the edit fields: it shows the whole text of a field whose text is wider
// than the field when the mouse rests on it. Fields add themselves when they are made, report mouse
// movement over themselves (TrackEdit) and withdraw the tip on keys, clicks, leaving and focus
// exit (CancelTip). About 600 ms after tracking starts (the second tick of a 300 ms timer) the
// controller asks the field to show its tip.
//
// The program makes exactly one, right after the application object and before any field, and
// destroys it at its end (it lives on main's stack). Instance() answers that one; a field made
// while none exists simply offers no tip.
class THintController : public QWidget
{
    Q_OBJECT

public:
    enum THintState : quint8 { hsIdle = 0, hsTracking = 1, hsShowing = 2 };
    Q_ENUM(THintState)

    // The timer interval, a program-wide setting.
    static constexpr int HintInterval = 300;

    THintController();
    ~THintController() override;

    static THintController *Instance();

    void AddEdit(QWidget *field, THintProc show);
    void RemoveEdit(QWidget *field);
    // Mouse movement over a field that wants the tip; the position is not used.
    void TrackEdit(QWidget *field, int x, int y);
    void CancelTip();
    // Shows text in rect (screen coordinates; the bottom is moved down by 4 pixels), kept on the
    // desktop, top-most and without taking the activation.
    void ShowTip(const QRect &rect, const QString &text);

    // The drawing surface's font: a field gives its own before it measures its text.
    void SetTipFont(const QFont &font);
    QFont TipFont() const { return m_tipFont; }
    int TextWidth(const QString &text) const;

    THintState State() const { return m_state; }
    QWidget *CurrentEdit() const { return m_current; }
    int EditCount() const { return int(m_edits.size()); }
    QString TipText() const { return m_tipText; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    void OnTimerTick();
    void AskForTip();

    QList<QWidget *> m_edits;
    THintProcList m_procs;
    QTimer m_timer;
    qint32 m_counter = 0;
    QPointer<QWidget> m_current;
    THintState m_state = hsIdle;
    QFont m_tipFont;
    QString m_tipText;
};
