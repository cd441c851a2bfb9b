// The vtable slot of a virtual member function, for tests that check that an
// interface's methods sit at the slots their callers use (callers reach the
// outside interfaces by slot, QueryInterface being slot 0).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace com_testing {

// In the C++ ABI of this platform a pointer to a virtual member holds 1 + the
// byte offset of its vtable entry.
template <class Member>
int SlotOf(Member member) {
    struct Raw {
        uintptr_t function;
        ptrdiff_t adjustment;
    };
    static_assert(sizeof(Member) == sizeof(Raw));
    Raw raw;
    std::memcpy(&raw, &member, sizeof raw);
    EXPECT_EQ(raw.function % 2, 1u) << "not a virtual member";
    return static_cast<int>((raw.function - 1) / sizeof(void*));
}

}  // namespace com_testing
