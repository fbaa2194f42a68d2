// Shows a window with a colour button placed and set up as the main window's one, drops its palette
// down and, with "--shot <prefix>", saves the screen as <prefix>-open.png, then picks the red cell
// and saves <prefix>-chosen.png. Custom colours go to a temporary settings folder.

#include "Dialogs.h"
#include "TColPickDlg.h"
#include "TColorBtn.h"
#include "TColorPicker.h"

#include <QApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>

namespace {

void SaveScreen(const QString &path)
{
    QGuiApplication::primaryScreen()->grabWindow(0).save(path);
}

void Click(QWidget *widget)
{
    const QPointF at(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(at);
    QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    SetApplicationTitle(QStringLiteral("Tallimo"));

    QWidget window;
    window.setWindowTitle(QStringLiteral("Colour button"));
    window.setFixedSize(640, 480);
    window.move(40, 40);
    window.setAutoFillBackground(true);
    auto paintWindow = [&window](TColor color) {
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, ToQColor(color));
        window.setPalette(palette);
    };
    paintWindow(TColorFromBits(0xA2BDBF));

    auto *button = new TColorBtn(&window);
    button->setObjectName(QStringLiteral("ColorBtn1"));
    button->SetBounds(604, 0, 35, 22);
    button->setCursor(Qt::PointingHandCursor);
    button->SetHint(QStringLiteral("Change this application's color"));
    button->SetActiveColor(clBlack);
    button->SetTargetColor(clBlack);
    button->SetFlat(false);
    button->SetDropDownFlat(true);
    button->SetAutomaticColor(clBlack);
    button->SetIsAutomatic(true);
    button->SetAutoBtnCaption(QStringLiteral("Automatic"));
    button->SetOtherBtnCaption(QStringLiteral("&Other colors..."));
    button->SetRegKey(QStringLiteral("Pelmark"));
    button->OnClick = [&](QObject *) { paintWindow(button->ActiveColor()); };
    window.show();

    const QStringList args = app.arguments();
    const int shot = args.indexOf(QStringLiteral("--shot"));
    const QString prefix = shot >= 0 ? args.value(shot + 1) : QString();
    QTimer::singleShot(400, &window, [&] {
        button->DropDown();
        if (prefix.isEmpty())
            return;
        QTimer::singleShot(400, &window, [&] {
            SaveScreen(prefix + QStringLiteral("-open.png"));
            if (TColPickDlg *dropDown = button->DropDownWindow())
                Click(dropDown->ColPick->PaletteCell(18));
            QTimer::singleShot(400, &window, [&] {
                SaveScreen(prefix + QStringLiteral("-chosen.png"));
                app.quit();
            });
        });
    });
    return app.exec();
}
