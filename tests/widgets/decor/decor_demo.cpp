// Renders the "Control" page's frames and the two bevel buttons over the window colour into PNG
// files, for looking at the painted effects without the main window.
#include "TApplication.h"
#include "TktBevelButton.h"
#include "TktMultiBevel.h"

#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QLinearGradient>
#include <QPainter>

namespace {

constexpr TColor kWindowColor = TColorFromBits(0x00A2BDBF);

// A stand-in for the page's picture: an embossed grey disc on a grey ground.
QPixmap PlaceholderPicture()
{
    QImage image(337, 275, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient ground(0, 0, 337, 275);
    ground.setColorAt(0, QColor(200, 200, 200));
    ground.setColorAt(1, QColor(120, 120, 120));
    painter.fillRect(image.rect(), ground);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(235, 235, 235), 3));
    painter.drawEllipse(QPointF(170, 125), 95, 95);
    painter.setPen(QPen(QColor(90, 90, 90), 3));
    painter.drawEllipse(QPointF(172, 127), 95, 95);
    return QPixmap::fromImage(image);
}

TktMultiBevel *GroupFrame(QWidget *page, int left, int top, int width, int height)
{
    auto *frame = new TktMultiBevel(page);
    frame->setGeometry(left, top, width, height);
    return frame;
}

TktBevelButton *Button(QWidget *page, const QString &caption, QRect geometry, int borderWidth)
{
    auto *button = new TktBevelButton(page);
    button->setGeometry(geometry);
    button->SetCaption(caption);
    button->SetBevelInner(TktMBevel::bstRaised);
    button->SetBevelOuter(TktMBevel::bstLowered);
    button->SetBorderWidth(borderWidth);
    button->SetColorDensity(50);
    button->SetShadowDensity(30);
    button->SetTransparence(TktMBevel::trSemi);
    return button;
}

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    QWidget page;
    page.resize(632, 451);
    page.setAutoFillBackground(true);
    QPalette palette = page.palette();
    palette.setColor(QPalette::Window, ToQColor(kWindowColor));
    page.setPalette(palette);
    QFont pageFont("Arial");
    pageFont.setPixelSize(11);
    page.setFont(pageFont);

    auto *pictureFrame = new TktMultiBevel(&page);
    pictureFrame->setGeometry(148, 48, 345, 281);
    pictureFrame->SetBevelWidth(2);
    pictureFrame->SetBorderWidth(1);
    pictureFrame->SetCaptionPosition(TktMBevel::cpTopLeft);
    pictureFrame->SetShadowColor(clOlive);
    pictureFrame->SetShadowed(true);
    pictureFrame->SetShadowOffsetX(2);
    pictureFrame->SetShadowOffsetY(2);
    pictureFrame->SetShadowStyle(TktMBevel::ssCopy);

    auto *picture = new QLabel(&page);
    picture->setPixmap(PlaceholderPicture());
    picture->setGeometry(152, 52, 337, 275);

    GroupFrame(&page, 0, 340, 257, 93);
    GroupFrame(&page, 260, 340, 193, 93);
    GroupFrame(&page, 456, 340, 173, 89);

    TktBevelButton *close = Button(&page, "Close and exit", QRect(488, 364, 109, 35), 2);
    QFont closeFont("Arial");
    closeFont.setPixelSize(13);
    closeFont.setBold(true);
    close->setFont(closeFont);
    TktBevelButton *enter = Button(&page, "Enter", QRect(300, 380, 41, 21), 1);

    page.show();
    if (app.arguments().contains("--screen")) {
        // What the window system shows, read back from the screen once the window is up.
        QTimer::singleShot(700, &app, [&] {
            page.screen()->grabWindow(page.winId()).save(folder + "/decor-control-page-screen.png");
            app.quit();
        });
        return app.exec();
    }
    page.grab().save(folder + "/decor-control-page.png");

    // The buttons at rest, under the mouse and pressed, magnified four times.
    QImage strip(3 * 120, 3 * 45, QImage::Format_RGB32);
    strip.fill(ToQColor(kWindowColor));
    const TktMBevel::TBevelStyle states[] = {TktMBevel::bstNone, TktMBevel::bstRaised, TktMBevel::bstLowered};
    for (int i = 0; i < 3; ++i) {
        close->SetBevelOuter(states[i]);
        enter->SetBevelOuter(states[i]);
        QPainter painter(&strip);
        painter.drawImage(i * 120, 0, page.grab(QRect(484, 360, 117, 43)).toImage());
        painter.drawImage(i * 120, 45, page.grab(QRect(296, 376, 49, 29)).toImage());
    }
    // The same buttons over a picture: the rings let it show through.
    close->move(pictureFrame->x() + 40, pictureFrame->y() + 40);
    close->raise();
    for (int i = 0; i < 3; ++i) {
        close->SetBevelOuter(states[i]);
        QPainter painter(&strip);
        painter.drawImage(i * 120, 90, page.grab(QRect(close->x() - 4, close->y() - 4, 117, 43)).toImage());
    }
    strip.scaled(strip.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation).save(folder + "/decor-buttons.png");
    return 0;
}
