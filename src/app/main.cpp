#include "Dialogs.h"
#include "GolfTables.h"
#include "Program.h"
#include "TApplication.h"
#include "TForm1.h"
#include "THintController.h"
#include "TPreviousInstance.h"

int main(int argc, char **argv)
{
    // Taken before anything else, so that two copies started together settle which one runs.
    TPreviousInstance guard;
    const QString folder = Golf::DefaultDataFolder();
    Program::PrepareAhead(folder);
    TApplication app(argc, argv);
    // The text tips of the edit fields: made before any field, gone after the window.
    THintController hints;
    Program::SetUpApplication();

    // A later copy only asks the running one to come forward and ends: it writes nothing.
    if (!guard.PreviousRunning())
        RunGuarded([&folder] { Golf::PrepareDataFolder(folder); });

    TForm1 form(folder);
    form.show();
    return app.exec();
}
