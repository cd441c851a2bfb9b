// Which threads have joined the runtime.
#pragma once

namespace com::detail {

// True when the calling thread initialised the runtime, or some thread of
// the process is in the multithreaded apartment (which every thread then
// belongs to implicitly).
bool ThreadMayUseRuntime();

}  // namespace com::detail
