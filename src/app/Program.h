#pragma once

// The program's start, as main() makes it (the start-up benchmark makes it the same way).
namespace Program {

// Once the application object exists: the program's title, name, icon and default font.
void SetUpApplication();

} // namespace Program
