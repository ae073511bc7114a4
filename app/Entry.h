#pragma once

namespace kestrune {

class KestruneApplication;

// The program's entry sequence; returns the process exit status.
int KestruneMain(int &argc, char **argv);

// The sequence after the application object exists: date settings, the data
// module, the login, the main window and its message loop. 0 after the loop
// or a cancelled login; non-zero when start-up could not go on.
int RunKestrune(KestruneApplication &app);

} // namespace kestrune
