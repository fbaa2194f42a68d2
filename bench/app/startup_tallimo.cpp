// The program's own start, as main() makes it, up to the window's first paint.
#include "FirstPaint.h"
#include "Dialogs.h"
#include "GolfTables.h"
#include "TApplication.h"
#include "TForm1.h"
#include "THintController.h"

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    THintController hints;
    SetApplicationTitle(QStringLiteral("Tallimo"));
    const QString folder = Golf::DefaultDataFolder();
    RunGuarded([&folder] { Golf::PrepareDataFolder(folder); });
    TForm1 form(folder);
    new FirstPaint(&form);
    form.show();
    return app.exec();
}
