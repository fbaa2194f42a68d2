// Built only by the arrow checks, and expected to fail: the record store may not see the widget
// toolkit, so this include must not be found from a target that links the store.
#include "TCanvas.h"
#include "TTable.h"

int StoreReachesWidget() { return 0; }
