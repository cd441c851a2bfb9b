// BSTR allocation. Each BSTR is one heap block: a guard word, the byte count,
// then the text and a null OLECHAR. The guard tells a live BSTR from freed
// memory and from a pointer that never was a BSTR, so misuse stops the
// process at the faulty call rather than corrupting the heap later.
#include "com/automation_counters.h"
#include "com/bstr.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kLiveGuard = 0x42535452;   // "BSTR"
constexpr uint32_t kFreedGuard = 0x64656164;  // "dead"

struct BstrHeader {
    uint32_t guard;
    uint32_t byteLength;
};
static_assert(sizeof(BstrHeader) == 8, "keeps the text 8-byte aligned");

std::atomic<int64_t> liveBstrs{0};

[[noreturn]] void Fail(const char* function, const char* what) {
    std::fprintf(stderr, "%s: %s\n", function, what);
    std::abort();
}

BstrHeader* HeaderOf(BSTR bstr, const char* function) {
    auto* header = reinterpret_cast<BstrHeader*>(reinterpret_cast<char*>(bstr) - sizeof(BstrHeader));
    if (header->guard == kFreedGuard) Fail(function, "BSTR used after it was freed");
    if (header->guard != kLiveGuard) {
        Fail(function, "pointer is not a live BSTR (freed already, or not made by SysAlloc*)");
    }
    return header;
}

// A block for `byteLength` bytes of text whose content the caller writes;
// the terminator is written here.
BSTR Allocate(size_t byteLength) {
    if (byteLength > UINT32_MAX - sizeof(BstrHeader) - sizeof(OLECHAR)) return nullptr;
    // One more byte so that an odd byte count still ends in a whole null OLECHAR.
    const size_t blockSize = sizeof(BstrHeader) + byteLength + sizeof(OLECHAR) + 1;
    auto* header = static_cast<BstrHeader*>(std::malloc(blockSize));
    if (!header) return nullptr;
    header->guard = kLiveGuard;
    header->byteLength = static_cast<uint32_t>(byteLength);
    char* text = reinterpret_cast<char*>(header + 1);
    std::memset(text + byteLength, 0, sizeof(OLECHAR) + 1);
    liveBstrs.fetch_add(1, std::memory_order_relaxed);
    return reinterpret_cast<BSTR>(text);
}

size_t TextLength(const OLECHAR* text) {
    size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

}  // namespace

BSTR WINAPI SysAllocString(const OLECHAR* text) {
    if (!text) return nullptr;
    const size_t length = TextLength(text);
    if (length > UINT32_MAX / sizeof(OLECHAR)) return nullptr;
    return SysAllocStringLen(text, static_cast<UINT>(length));
}

BSTR WINAPI SysAllocStringLen(const OLECHAR* text, UINT length) {
    const size_t byteLength = static_cast<size_t>(length) * sizeof(OLECHAR);
    BSTR bstr = Allocate(byteLength);
    if (bstr && text) std::memcpy(bstr, text, byteLength);
    return bstr;
}

BSTR WINAPI SysAllocStringByteLen(LPCSTR bytes, UINT byteLength) {
    BSTR bstr = Allocate(byteLength);
    if (bstr && bytes) std::memcpy(bstr, bytes, byteLength);
    return bstr;
}

INT WINAPI SysReAllocString(BSTR* bstr, const OLECHAR* text) {
    if (!bstr) return FALSE;
    if (*bstr) HeaderOf(*bstr, "SysReAllocString");
    if (!text) {
        SysFreeString(*bstr);
        *bstr = nullptr;
        return TRUE;
    }
    const size_t length = TextLength(text);
    if (length > UINT32_MAX / sizeof(OLECHAR)) return FALSE;
    return SysReAllocStringLen(bstr, text, static_cast<UINT>(length));
}

INT WINAPI SysReAllocStringLen(BSTR* bstr, const OLECHAR* text, UINT length) {
    if (!bstr) return FALSE;
    const UINT oldLength = *bstr ? SysStringLen(*bstr) : 0;
    // The new text is made before the old one is freed: `text` may point into it.
    BSTR replacement = SysAllocStringLen(text, length);
    if (!replacement) return FALSE;
    if (!text && *bstr) std::memcpy(replacement, *bstr, std::min(oldLength, length) * sizeof(OLECHAR));
    SysFreeString(*bstr);
    *bstr = replacement;
    return TRUE;
}

void WINAPI SysFreeString(BSTR bstr) {
    if (!bstr) return;
    BstrHeader* header = HeaderOf(bstr, "SysFreeString");
    header->guard = kFreedGuard;
    liveBstrs.fetch_sub(1, std::memory_order_relaxed);
    std::free(header);
}

UINT WINAPI SysStringLen(BSTR bstr) { return bstr ? HeaderOf(bstr, "SysStringLen")->byteLength / sizeof(OLECHAR) : 0; }

UINT WINAPI SysStringByteLen(BSTR bstr) { return bstr ? HeaderOf(bstr, "SysStringByteLen")->byteLength : 0; }

int64_t com::testing::LiveBstrCount() { return liveBstrs.load(std::memory_order_relaxed); }
