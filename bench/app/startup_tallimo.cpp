// The program's own start, as main() makes it, up to the window's first paint.
#include "FirstPaint.h"
#include "Dialogs.h"
#include "GolfTables.h"
#include "Program.h"
#include "TApplication.h"
#include "TForm1.h"
#include "THintController.h"
#include "TPreviousInstance.h"

int main(int argc, char **argv)
{
    TPreviousInstance guard;
    const QString folder = Golf::DefaultDataFolder();
    Program::PrepareAhead(folder);
    TApplication app(argc, argv);
    THintController hints;
    Program::SetUpApplication();
    RunGuarded([&folder] { Golf::PrepareDataFolder(folder); });
    TForm1 form(folder);
    new FirstPaint(&form);
    form.show();
    return app.exec();
}
