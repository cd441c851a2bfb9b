// A second program that takes argv[1] new ids of the session and writes
// them on one line, for the test that ids stay unique across processes.
#include "event_channel.h"

#include "testsupport/child_process.h"

#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string line = "ids";
    for (long i = std::atol(argv[1]); i > 0; --i) line += " " + std::to_string(viewserver::NewSessionId());
    testsupport::Announce(line);
    return 0;
}
