#pragma once

class SingleApplication;

namespace startup {

// Makes the pictures and translations compiled into the library available.
// The entry point calls it; tests that need the resources call it too.
void initResources();

// The whole start of the program: high-DPI attributes, single application
// object, language, main window, event loop. Returns the exit code.
int run(int &argc, char **argv);

// Everything after the application object exists: refuses to be the second
// copy (warning box, exit code 0), otherwise installs the translation, shows
// the main window and runs the event loop.
int runApplication(SingleApplication &app);

} // namespace startup
