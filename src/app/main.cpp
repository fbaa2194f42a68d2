#include "Dialogs.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "Program.h"
#include "StoreEngine.h"
#include "TApplication.h"
#include "TForm1.h"
#include "THintController.h"
#include "TPreviousInstance.h"

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    // Taken before anything else, so that two copies started together settle which one runs.
    TPreviousInstance guard;
    // Where the data live: the database named on the command line (and remembered), the one
    // remembered from before, or this user's data folder.
    QString location;
    bool chosen = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--local") == 0) {
            location.clear();
            chosen = true;
        } else if (std::strcmp(argv[i], "--database") == 0 || std::strncmp(argv[i], "--database=", 11) == 0) {
            const char *url = argv[i][10] == '=' ? argv[i] + 11 : i + 1 < argc ? argv[++i] : "";
            location = QString::fromLocal8Bit(url);
            if (!IsServerLocation(location)) {
                std::fprintf(stderr, "tallimo: --database needs a URL postgresql://user@host:port/dbname\n");
                return 2;
            }
            chosen = true;
        }
    }
    if (chosen)
        Golf::RememberDatabase(location);
    else
        location = Golf::RememberedDatabase();
    if (location.isEmpty())
        location = Golf::DefaultDataFolder();
    Program::PrepareAhead(location);
    TApplication app(argc, argv);
    // The text tips of the edit fields: made before any field, gone after the window.
    THintController hints;
    Program::SetUpApplication();

    // A later copy only asks the running one to come forward and ends: it writes nothing.
    // A server that cannot be reached is told of by the window, which keeps trying.
    if (!guard.PreviousRunning()) {
        if (IsServerLocation(location)) {
            try {
                Golf::PrepareDataFolder(location);
            } catch (const EDatabaseError &) {
            }
        } else {
            RunGuarded([&location] { Golf::PrepareDataFolder(location); });
        }
    }

    TForm1 form(location);
    form.show();
    return app.exec();
}
