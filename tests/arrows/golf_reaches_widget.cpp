// Built only by the arrow checks, and expected to fail: the golf code may not see a widget.
#include "EnterRound.h"
#include "TktMultiBevel.h"

int GolfReachesWidget() { return 0; }
