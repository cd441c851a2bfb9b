// Anchors the runtime library until its first sources land.
#include "com/hresults.h"
#include "com/unknown.h"

static_assert(com::uuidof<IUnknown>().Data4[0] == 0xC0, "IUnknown identity");
