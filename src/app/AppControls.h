#pragma once

#include "TLoadable.h"

#include <QCheckBox>
#include <QImage>
#include <QTabWidget>
#include <QTextEdit>
#include <functional>

class TTabSheet;

// The toolkit's standard windowed controls that the main window uses as they come, with the
// names and properties its layout gives them.

// The page set. OnClick follows a click on the tab row: after the page change the click made,
// also when it hits the page already shown; keyboard page changes do not raise it.
class TPageControl : public QTabWidget, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(TTabSheet *ActivePage READ ActivePage WRITE SetActivePage)

public:
    explicit TPageControl(QWidget *parent = nullptr);

    void AddPage(TTabSheet *page);
    TTabSheet *ActivePage() const;
    void SetActivePage(TTabSheet *page);
    TTabSheet *Pages(int index) const;
    int PageCount() const { return count(); }

    std::function<void(QObject *sender)> OnClick;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    bool event(QEvent *event) override;

private:
    // The page area stands 4 pixels in from the sides and the bottom and 25 from the top.
    void PlacePages();

    int m_pressedTab = -1;
};

// One page of the page set; its caption is the tab's text.
class TTabSheet : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)

public:
    explicit TTabSheet(QWidget *parent = nullptr);

    QString Caption() const { return m_caption; }
    void SetCaption(const QString &caption);

private:
    QString m_caption;
};

// A picture. The layout holds it as JPEG bytes, decoded with libjpeg.
class TImage : public QWidget, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QByteArray Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(bool AutoSize READ AutoSize WRITE SetAutoSize)

public:
    explicit TImage(QWidget *parent = nullptr);

    QByteArray Picture() const { return m_data; }
    // Raises EInvalidOperation for data that is no readable picture; the old picture stays.
    void SetPicture(const QByteArray &data);
    const QImage &Image() const { return m_image; }
    bool AutoSize() const { return m_autoSize; }
    void SetAutoSize(bool autoSize);

    std::function<void(QObject *sender)> OnClick;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void Loaded() override { AdjustSize(); }

private:
    void AdjustSize();

    QByteArray m_data;
    QImage m_image;
    bool m_autoSize = false;
};

// A box of text in lines; what the user types is not kept anywhere.
class TRichEdit : public QTextEdit
{
    Q_OBJECT
    Q_PROPERTY(QStringList Lines READ Lines WRITE SetLines)
    Q_PROPERTY(TScrollStyle ScrollBars READ ScrollBars WRITE SetScrollBars)
    Q_PROPERTY(bool ReadOnly READ isReadOnly WRITE setReadOnly)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    enum TScrollStyle : quint8 { ssNone, ssHorizontal, ssVertical, ssBoth };
    Q_ENUM(TScrollStyle)

    explicit TRichEdit(QWidget *parent = nullptr);

    QStringList Lines() const;
    void SetLines(const QStringList &lines);
    TScrollStyle ScrollBars() const { return m_scrollBars; }
    void SetScrollBars(TScrollStyle style);
    bool WordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
    void SetWordWrap(bool wrap) { setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap); }

private:
    TScrollStyle m_scrollBars = ssNone;
};

// A check box; OnClick follows every change between ticked and unticked.
class TCheckBox : public QCheckBox
{
    Q_OBJECT
    Q_PROPERTY(QString Caption READ text WRITE setText)
    Q_PROPERTY(bool Checked READ isChecked WRITE setChecked)

public:
    explicit TCheckBox(QWidget *parent = nullptr);

    std::function<void(QObject *sender)> OnClick;
};
