#include "Dialogs.h"
#include "GolfTables.h"
#include "TApplication.h"
#include "TForm1.h"
#include "THintController.h"

#include <QIcon>
#include <QPainter>

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

} // namespace

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    // The text tips of the edit fields: made before any field, gone after the window.
    THintController hints;
    SetApplicationTitle(QStringLiteral("Tallimo"));
    QApplication::setApplicationName(QStringLiteral("Tallimo"));
    QApplication::setWindowIcon(ProgramIcon());

    const QString folder = Golf::DefaultDataFolder();
    RunGuarded([&folder] { Golf::PrepareDataFolder(folder); });

    TForm1 form(folder);
    form.show();
    return app.exec();
}
