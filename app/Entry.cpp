#include "app/Entry.h"

namespace kestrune {

int KestruneMain(int &, char **) { return 0; }

} // namespace kestrune
