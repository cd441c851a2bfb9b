// com::ComPtr<I>: an interface pointer owned by scope (one reference, given
// back when the pointer goes or is given another object).
//
// A pointer of another interface is taken only through QueryInterface, and
// only when asked for explicitly: ComPtr<IFoo> foo(bar) asks bar for IFoo,
// while ComPtr<IFoo> foo = bar does not compile. Pointers to I or to an
// interface derived from I are taken as they are.
//
// COM_SMARTPTR_TYPEDEF(IFoo) names ComPtr<IFoo> IFooPtr.
#pragma once

#include "com/runtime.h"
#include "com/unknown.h"

#include <cstddef>
#include <type_traits>

namespace com {

// Out of line, so that this header does not need the exception type.
[[noreturn]] void RaiseNullPointer();
[[noreturn]] void RaiseQueryFailure(HRESULT hr);

template <class I>
class ComPtr {
public:
    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Adds a reference of its own.
    ComPtr(I* object) noexcept : p_(object) { AddRef(); }
    // addRef false takes over the caller's reference.
    ComPtr(I* object, bool addRef) noexcept : p_(object) {
        if (addRef) AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    // From a pointer to a derived interface, as it is.
    template <class Other>
    requires std::is_convertible_v<Other*, I*> ComPtr(const ComPtr<Other>& other)
    noexcept : ComPtr(static_cast<I*>(other.GetInterfacePtr())) {}
    // Asks `other` for I; null when it does not have it (E_NOINTERFACE).
    // Any other failure of QueryInterface raises _com_error.
    template <class Other>
    requires(!std::is_convertible_v<Other*, I*>) explicit ComPtr(Other* other) { QueryFrom(other); }
    template <class Other>
    requires(!std::is_convertible_v<Other*, I*>) explicit ComPtr(const ComPtr<Other>& other) {
        QueryFrom(other.GetInterfacePtr());
    }
    ~ComPtr() { Release(); }

    ComPtr& operator=(const ComPtr& other) noexcept {
        ComPtr(other).Swap(*this);
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        ComPtr(static_cast<ComPtr&&>(other)).Swap(*this);
        return *this;
    }
    ComPtr& operator=(I* object) noexcept {
        ComPtr(object).Swap(*this);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept {
        Release();
        return *this;
    }

    // A new object of the class, asked for I (CoCreateInstance). The object
    // held before is given back first.
    HRESULT CreateInstance(REFCLSID clsid, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) noexcept {
        Release();
        return CoCreateInstance(clsid, outer, context, uuidof<I>(), reinterpret_cast<void**>(&p_));
    }
    // The same, by ProgID.
    HRESULT CreateInstance(LPCOLESTR progId, IUnknown* outer = nullptr, DWORD context = CLSCTX_ALL) noexcept {
        Release();
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(progId, &clsid);
        return FAILED(hr) ? hr : CreateInstance(clsid, outer, context);
    }

    // Takes over the caller's reference (addRef false) or adds one.
    void Attach(I* object, bool addRef = false) noexcept {
        Release();
        p_ = object;
        if (addRef) AddRef();
    }
    // Hands the reference to the caller and leaves this pointer null.
    I* Detach() noexcept {
        I* object = p_;
        p_ = nullptr;
        return object;
    }
    // Gives back the object held and leaves this pointer null.
    void Release() noexcept {
        I* object = p_;
        p_ = nullptr;
        if (object != nullptr) object->Release();
    }

    I* GetInterfacePtr() const noexcept { return p_; }
    operator I*() const noexcept { return p_; }
    // Calling through a null pointer raises E_POINTER instead of crashing.
    I* operator->() const {
        if (p_ == nullptr) RaiseNullPointer();
        return p_;
    }
    I& operator*() const { return *operator->(); }
    // For an [out] argument: gives back the object held, then the address
    // of the (null) pointer that the callee fills.
    I** operator&() noexcept {
        Release();
        return &p_;
    }

    void Swap(ComPtr& other) noexcept {
        I* mine = p_;
        p_ = other.p_;
        other.p_ = mine;
    }

    friend bool operator==(const ComPtr& left, const ComPtr& right) noexcept { return left.p_ == right.p_; }
    friend bool operator==(const ComPtr& left, I* right) noexcept { return left.p_ == right; }
    friend bool operator==(const ComPtr& left, std::nullptr_t) noexcept { return left.p_ == nullptr; }
    friend bool operator<(const ComPtr& left, const ComPtr& right) noexcept { return left.p_ < right.p_; }

private:
    void AddRef() const noexcept {
        if (p_ != nullptr) p_->AddRef();
    }
    template <class Other>
    void QueryFrom(Other* other) {
        if (other == nullptr) return;
        HRESULT hr = other->QueryInterface(uuidof<I>(), reinterpret_cast<void**>(&p_));
        if (FAILED(hr)) {
            p_ = nullptr;
            if (hr != E_NOINTERFACE) RaiseQueryFailure(hr);
        }
    }

    I* p_ = nullptr;
};

}  // namespace com

#define COM_SMARTPTR_TYPEDEF(Interface) typedef ::com::ComPtr<Interface> Interface##Ptr
