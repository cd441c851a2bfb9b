#include "explorer/data/wstr.h"

#include "winapi/text.h"
#include "winapi/thread_locale.h"

#include <cstdlib>
#include <mutex>

namespace {

// Collation and character classes follow the user's locale from the first
// WStr on; a locale set later by the program is left alone.
void SetProcessLocaleOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        _wsetlocale(LC_COLLATE, u"");
        _wsetlocale(LC_CTYPE, u"");
    });
}

}  // namespace

WStr::WStr(LPCWSTR text) : mpoBody(new Body) {
    SetProcessLocaleOnce();
    mpoBody->mpoWide = _wcsdup(text);
}

WStr::WStr(const WStr& other) noexcept : mpoBody(other.mpoBody) { ++mpoBody->mlCount; }

WStr& WStr::operator=(const WStr& other) noexcept {
    if (mpoBody != other.mpoBody) {
        ++other.mpoBody->mlCount;
        mvRelease();
        mpoBody = other.mpoBody;
    }
    return *this;
}

WStr::~WStr() { mvRelease(); }

void WStr::mvRelease() noexcept {
    if (--mpoBody->mlCount != 0) return;
    free(mpoBody->mpoWide);
    delete[] mpoBody->mpoNarrow;
    delete mpoBody;
}

LPCSTR WStr::Narrow() const {
    if (mpoBody->mpoNarrow == nullptr && mpoBody->mpoWide != nullptr) {
        int size = WideCharToMultiByte(CP_ACP, 0, mpoBody->mpoWide, -1, nullptr, 0, nullptr, nullptr);
        if (size <= 0) return nullptr;
        char* narrow = new char[size];
        WideCharToMultiByte(CP_ACP, 0, mpoBody->mpoWide, -1, narrow, size, nullptr, nullptr);
        mpoBody->mpoNarrow = narrow;
    }
    return mpoBody->mpoNarrow;
}
