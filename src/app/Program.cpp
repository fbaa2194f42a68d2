#include "Program.h"

#include "Backup.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "StoreEngine.h"
#include "TForm1.h"

#include <QApplication>
#include <QFont>
#include <QIcon>
#include <QPainter>

#include <future>

#ifdef TALLIMO_FONTCONFIG
#include <fontconfig/fontconfig.h>
#endif

namespace {

// The program's icon: a flag on a green, drawn at the two sizes the desktop asks for.
QIcon ProgramIcon()
{
    QIcon icon;
    for (const int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        const qreal unit = size / 16.0;
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(0, 128, 0));
        painter.drawEllipse(QRectF(1 * unit, 10 * unit, 14 * unit, 5 * unit));
        painter.setBrush(Qt::black);
        painter.drawRect(QRectF(7 * unit, 2 * unit, unit, 11 * unit));
        painter.setBrush(QColor(255, 0, 0));
        painter.drawPolygon(QPolygonF({QPointF(8 * unit, 2 * unit), QPointF(13 * unit, 4 * unit), QPointF(8 * unit, 6 * unit)}));
        icon.addPixmap(pixmap);
    }
    return icon;
}

#ifdef TALLIMO_FONTCONFIG
// The font configuration being loaded ahead; the program's end waits for it.
std::future<void> g_fontConfiguration;
#endif

} // namespace

namespace Program {

void PrepareAhead(const QString &dataFolder)
{
    TForm1::PrepareLayout();
    // A restore cut short is finished before any table is opened ahead: a table opened ahead and
    // then moved aside would, on closing, remove the log of the table put in its place.
    if (!IsServerLocation(dataFolder)) {
        try {
            Golf::FinishInterruptedWork(dataFolder);
        } catch (const Exception &) {
            // Preparing the data folder runs it again and reports what stops it.
        }
        Golf::OpenTablesAhead(dataFolder);
    }
#ifdef TALLIMO_FONTCONFIG
    // The font configuration is read from its files once per process, which takes a few
    // milliseconds; loaded here, the window's first text finds it ready.
    if (!g_fontConfiguration.valid())
        g_fontConfiguration = std::async(std::launch::async, [] { FcInit(); });
#endif
}

void SetUpApplication()
{
    SetApplicationTitle(QStringLiteral("Tallimo"));
    QApplication::setApplicationName(QStringLiteral("Tallimo"));
    // The installed desktop entry: desktops take the window's icon and name from it.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tallimo.Tallimo"));
    QApplication::setWindowIcon(ProgramIcon());
    // The platform's default font, MS Sans Serif 8 pt, served by Liberation Sans like every MS Sans
    // Serif of the layout, at the layout's 11 pixels. Message boxes and dialogs use it, and so does
    // a widget until its own font is set, so the start loads no other face.
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

} // namespace Program
