#include "com/server/com_object.h"

#include <atomic>

namespace com {
namespace {
std::atomic<LONG> gLiveServerObjects{0};
}  // namespace

namespace testing {
LONG LiveServerObjects() { return gLiveServerObjects.load(); }
}  // namespace testing

namespace detail {
void CountLiveServerObjects(LONG delta) { gLiveServerObjects.fetch_add(delta); }
}  // namespace detail

}  // namespace com
