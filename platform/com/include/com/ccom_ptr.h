// The smart interface pointers under the names server code knows them by.
// CComPtr<I> is com::ComPtr<I>. CComQIPtr<I> differs in one point: it asks
// any interface pointer it is given for I (QueryInterface), also implicitly,
// so CComQIPtr<IFoo> foo = unknown; is the usual way to ask for IFoo.
#pragma once

#include "com/com_ptr.h"

template <class I>
using CComPtr = com::ComPtr<I>;

template <class I>
class CComQIPtr : public com::ComPtr<I> {
public:
    CComQIPtr() noexcept = default;
    CComQIPtr(std::nullptr_t) noexcept {}
    CComQIPtr(const CComQIPtr& other) noexcept = default;
    CComQIPtr(CComQIPtr&& other) noexcept = default;
    // I itself (or a derived interface) is taken as it is; any other is
    // asked for I, null when it does not have it.
    template <class Other>
    CComQIPtr(Other* other) : com::ComPtr<I>(other) {}
    template <class Other>
    CComQIPtr(const com::ComPtr<Other>& other) : com::ComPtr<I>(other) {}

    CComQIPtr& operator=(const CComQIPtr& other) noexcept = default;
    CComQIPtr& operator=(CComQIPtr&& other) noexcept = default;
    template <class Other>
    CComQIPtr& operator=(Other* other) {
        CComQIPtr(other).Swap(*this);
        return *this;
    }
    template <class Other>
    CComQIPtr& operator=(const com::ComPtr<Other>& other) {
        CComQIPtr(other).Swap(*this);
        return *this;
    }
};
