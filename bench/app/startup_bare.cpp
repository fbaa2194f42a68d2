// The baseline: a bare Qt window with six tabs of the same size, up to its first paint.
#include "FirstPaint.h"

#include <QApplication>
#include <QTabWidget>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTabWidget window;
    for (const char *caption : {"Control", "Golf Courses/Clubs", "Enter Scores", "View Scores", "Help", "Handicap Info"})
        window.addTab(new QWidget, QString::fromLatin1(caption));
    window.resize(640, 480);
    new FirstPaint(&window);
    window.show();
    return app.exec();
}
