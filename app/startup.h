#pragma once

class SingleApplication;

namespace startup {

// Makes the pictures and translations compiled into the library available.
// The entry point calls it; tests that need the resources call it too.
void initResources();

// When an argument is "--version", prints "<program> <version>" (the
// program's file name) on the standard output and returns true; the caller
// then ends with exit code 0. Runs before any application object exists, so
// it needs no display and leaves the instance lock alone.
bool printVersionIfAsked(int argc, char **argv);

// The whole start of the program: the version if asked, high-DPI attributes, single application
// object, language, main window, event loop. Returns the exit code.
int run(int &argc, char **argv);

// Everything after the application object exists: refuses to be the second
// copy (warning box, exit code 0), otherwise installs the translation, shows
// the main window and runs the event loop.
int runApplication(SingleApplication &app);

} // namespace startup
