#pragma once

#include <QString>

// The program's start, as main() makes it (the start-up benchmark makes it the same way).
namespace Program {

// Before the application object: starts reading the window's layout and opening the tables of the
// data folder on other threads. The application's connection to the display hides the work.
void PrepareAhead(const QString &dataFolder);

// Once the application object exists: the program's title, name, icon and default font.
void SetUpApplication();

} // namespace Program
