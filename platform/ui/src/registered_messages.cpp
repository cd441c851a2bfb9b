#include "ui/message_queue.h"

#include <QString>

#include <map>

namespace {

constexpr UINT kFirstRegisteredMessage = 0xC000;
constexpr UINT kLastRegisteredMessage = 0xFFFF;

}  // namespace

UINT RegisterWindowMessageW(LPCWSTR name) {
    if (!name || !*name) return 0;
    static std::map<std::u16string, UINT> ids;
    std::u16string key = QString::fromUtf16(name).toCaseFolded().toStdU16String();
    auto found = ids.find(key);
    if (found != ids.end()) return found->second;
    UINT next = kFirstRegisteredMessage + static_cast<UINT>(ids.size());
    if (next > kLastRegisteredMessage) return 0;
    ids.emplace(std::move(key), next);
    return next;
}
