// Reports the clock as this process sees it, for the tests of a clock set
// through the environment.
#include "testsupport/child_process.h"
#include "winapi/system_time.h"

#include <cstdio>
#include <string>

namespace {

std::string Text(const SYSTEMTIME& t) {
    char text[64];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

}  // namespace

int main() {
    SYSTEMTIME universal, local;
    GetSystemTime(&universal);
    GetLocalTime(&local);
    testsupport::Announce("utc " + Text(universal));
    testsupport::Announce("local " + Text(local));
    return 0;
}
