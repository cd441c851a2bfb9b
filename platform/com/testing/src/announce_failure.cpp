#include "com_testing/announce_failure.h"

#include "testsupport/child_process.h"

#include <cstdio>

namespace com_testing {

int AnnounceFailure(const char* step, HRESULT hr) {
    char line[128];
    std::snprintf(line, sizeof line, "failed %s 0x%08X", step, static_cast<unsigned>(hr));
    testsupport::Announce(line);
    return 1;
}

}  // namespace com_testing
