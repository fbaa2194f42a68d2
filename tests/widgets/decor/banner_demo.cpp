// Renders the title banner (scrolling and settled), the "Enter Scores" notes (with and without the
// pointer over one) and the print button (still and animating) with the main window's settings into
// PNG files, for looking at them before the main window exists.
#include "Scrolltext.h"
#include "TApplication.h"
#include "TGlowLabel.h"
#include "TktMultiBevel.h"
#include "TsiSpeedButton.h"

#include <QEnterEvent>
#include <QImage>
#include <QPainter>
#include <QTextStream>
#include <QTimer>

namespace {

constexpr TColor kWindowColor = TColorFromBits(0x00A2BDBF);
const QString kTitleCaption = QStringLiteral("Quarvel's Personal Tallimo  - Lite14");

QFont Arial(int pixels, bool bold = false, bool italic = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void PaintAsWindow(QWidget &page)
{
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, ToQColor(kWindowColor));
    page.setPalette(palette);
    page.setFont(Arial(11));
}

void Save(QWidget &page, const QString &path)
{
    QImage image(page.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    page.render(&image);
    image.save(path);
}

TScrollText *TitleBanner(QWidget *page)
{
    auto *banner = new TScrollText(page);
    banner->BeginLoading();
    banner->SetBounds(0, 0, 629, 28);
    banner->SetAutoSize(false);
    banner->SetTransparent(true);
    banner->setFont(Arial(25));
    banner->SetFontColor(clWindowText);
    banner->SetCaption(kTitleCaption);
    banner->SetScrollMessage(QStringLiteral("Quarvel's Personal Tallimo  - Lite"));
    banner->SetScrolltype(TScrollText::scRight);
    banner->SetScrollMethod(TScrollText::smChar);
    banner->SetSpeed(200);
    banner->EndLoading();
    return banner;
}

// The main window's settle step. The toolkit has no docking yet: the last line stands in for
// Align = alTop, which keeps the banner as wide as the page while AutoSize sets its height.
void Settle(TScrollText *banner)
{
    banner->SetScrolltype(TScrollText::scNone);
    banner->SetAlignment(TScrollText::taCenter);
    banner->SetAutoSize(true);
    banner->SetCaption(kTitleCaption);
    banner->SetBounds(0, 0, banner->parentWidget()->width(), banner->height());
}

TGlowLabel *Note(QWidget *page, QRect geometry, const QString &caption, const QFont &font, TColor colour,
                 bool autoSize = true)
{
    auto *label = new TGlowLabel(page);
    label->BeginLoading();
    label->setGeometry(geometry);
    label->SetAutoSize(autoSize);
    label->SetCaption(caption);
    label->setFont(font);
    label->SetFontColor(colour);
    label->SetGlowColor(clYellow);
    label->EndLoading();
    return label;
}

// A 32 x 32 printer drawn in code on the transparent colour (bottom-left pixel).
QImage PrinterGlyph()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(255, 0, 255));
    QPainter painter(&image);
    painter.fillRect(8, 3, 16, 10, Qt::white);
    painter.setPen(Qt::black);
    painter.drawRect(8, 3, 15, 10);
    painter.fillRect(3, 12, 26, 12, QColor(128, 128, 128));
    painter.drawRect(3, 12, 25, 11);
    painter.fillRect(8, 20, 16, 9, Qt::white);
    painter.drawRect(8, 20, 15, 8);
    painter.fillRect(24, 15, 3, 2, Qt::green);
    return image;
}

// Four frames of a turning sheet, side by side.
QImage SheetStrip()
{
    QImage strip(128, 32, QImage::Format_RGB32);
    strip.fill(QColor(255, 0, 255));
    QPainter painter(&strip);
    for (int frame = 0; frame < 4; ++frame) {
        painter.save();
        painter.translate(frame * 32 + 16, 16);
        painter.rotate(frame * 22.5);
        painter.fillRect(-9, -12, 18, 24, Qt::white);
        painter.setPen(Qt::darkBlue);
        painter.drawRect(-9, -12, 18, 24);
        for (int line = -7; line <= 7; line += 4)
            painter.drawLine(-6, line, 6, line);
        painter.restore();
    }
    return strip;
}

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // "--live": the banner on screen, driven by its own timer; settled after four seconds, closed
    // after seven (for screenshots taken from outside).
    if (folder == QLatin1String("--live")) {
        QWidget window;
        window.resize(632, 120);
        PaintAsWindow(window);
        TScrollText *live = TitleBanner(&window);
        QTextStream(stdout) << "cell " << live->CellWidth() << ", width in cells " << live->WidthInChars() << Qt::endl;
        window.show();
        QTimer::singleShot(4000, live, [live] { Settle(live); });
        QTimer::singleShot(7000, &app, &QCoreApplication::quit);
        return app.exec();
    }

    // "Control" page, top part.
    QWidget control;
    control.resize(632, 90);
    PaintAsWindow(control);
    TScrollText *banner = TitleBanner(&control);
    control.show();
    Save(control, folder + "/banner_0_loaded.png");
    for (int tick = 1; tick <= 20; ++tick)
        banner->ScrollTick();
    Save(control, folder + "/banner_1_scrolling.png");
    while (banner->ScrollPos() != -6)
        banner->ScrollTick();
    Save(control, folder + "/banner_2_leaving_left.png");
    Settle(banner);
    Save(control, folder + "/banner_3_settled.png");

    // "Enter Scores" page, the notes' corner.
    QWidget scores;
    scores.resize(380, 110);
    PaintAsWindow(scores);
    auto *frame = new TktMultiBevel(&scores);
    frame->setGeometry(12, 6, 333, 45);
    frame->SetCaptionPosition(TktMBevel::cpTopLeft);
    TGlowLabel *first = Note(&scores, QRect(20, 10, 315, 16), QStringLiteral("Do not take the calculated handicap in to account"),
                             Arial(13, true), clMaroon);
    Note(&scores, QRect(72, 26, 221, 16), QStringLiteral("if you've played less than 6 games."), Arial(13, true), clMaroon);
    TGlowLabel *third = Note(&scores, QRect(88, 78, 223, 13), QStringLiteral("(a minus  score indicates a \"+\" handicap)"),
                             Arial(11, true, true), clNavy, false);
    scores.show();
    Save(scores, folder + "/glow_0_still.png");
    QEnterEvent enter(QPointF(3, 3), QPointF(3, 3), QPointF(3, 3));
    QCoreApplication::sendEvent(first, &enter);
    QCoreApplication::sendEvent(third, &enter);
    Save(scores, folder + "/glow_1_hovered.png");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(first, &leave);
    third->SetEnabled(false);
    Save(scores, folder + "/glow_2_disabled_hovered.png");

    // "Handicap Info" page, the print button, then animating with a strip of its own.
    QWidget info;
    info.resize(120, 60);
    PaintAsWindow(info);
    auto *print = new TsiSpeedButton(&info);
    print->setGeometry(37, 12, 45, 37);
    print->SetFlat(true);
    print->SetGlyph(PrinterGlyph());
    info.show();
    Save(info, folder + "/print_0_still.png");
    print->SetAnimGlyph(SheetStrip());
    print->SetInterval(0);
    print->SetAnimated(true);
    print->NextFrame();
    Save(info, folder + "/print_1_frame2.png");
    print->SetAnimated(false);
    Save(info, folder + "/print_2_restored.png");
    return 0;
}
