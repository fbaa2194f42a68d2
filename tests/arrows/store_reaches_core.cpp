// Built only by the arrow checks, and expected to build: the headers the store is allowed to use.
#include "Dialogs.h"
#include "ErrorHandler.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "TColor.h"
#include "TLoadable.h"
#include "TTable.h"

int StoreReachesCore() { return 0; }
