// How a child program of the component tests reports a failed step.
#pragma once

#include "winapi/types.h"

namespace com_testing {

// Announces "failed <step> 0x<HRESULT>" to the parent test and gives 1, the
// child's exit code: return AnnounceFailure("CoCreateInstance", hr);
int AnnounceFailure(const char* step, HRESULT hr);

}  // namespace com_testing
