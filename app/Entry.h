#pragma once

namespace kestrune {

// The program's entry sequence; returns the process exit status.
int KestruneMain(int &argc, char **argv);

} // namespace kestrune
