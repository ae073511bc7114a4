#pragma once
// The fields the server list query declares, in the data set's field order
// (the order the editor checks required fields in), and its new-row defaults.

#include "db/Query.h"

namespace kestrune {

// IP, PORT, YHM, MM with Tag 1 (required) and BZ with Tag 0; the three text
// fields are 20 bytes of the ANSI code page wide.
void declareServerListFields(db::Query &query);

// qMainNewRecord's defaults: IP "127.0.0.1", PORT 3389, YHM "Administrator";
// MM and BZ stay null.
void fillNewServerDefaults(db::Query &query);

} // namespace kestrune
