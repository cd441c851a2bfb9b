// A second program that takes argv[1] new ids of the session, for the test
// that processes taking ids at once never get the same one. Exit code 0
// when every id was given.
#include "event_channel.h"

#include <cstdlib>

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    for (long i = std::atol(argv[1]); i > 0; --i)
        if (viewserver::NewSessionId() == 0) return 1;
    return 0;
}
