// RefPtr<T>: the intrusive smart pointer of the system's own objects. Works with any
// T that has AddRef() and Release() (RefObj and the CItemCacheFileI
// interface alike).
#pragma once

#include <compare>
#include <cstddef>
#include <type_traits>
#include <utility>

template <class T>
class RefPtr {
public:
    RefPtr() noexcept = default;
    RefPtr(std::nullptr_t) noexcept {}
    // Takes a reference of its own.
    RefPtr(T* pointee) noexcept : pointee_(pointee) { mvAddRef(); }
    RefPtr(const RefPtr& other) noexcept : pointee_(other.pointee_) { mvAddRef(); }
    RefPtr(RefPtr&& other) noexcept : pointee_(std::exchange(other.pointee_, nullptr)) {}
    // From a RefPtr to a derived record (ChildWithLink -> ItemObject).
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    RefPtr(const RefPtr<U>& other) noexcept : pointee_(other.get()) {
        mvAddRef();
    }

    ~RefPtr() { mvRelease(); }

    // Takes the new reference before releasing the old one: the new pointee
    // may be kept alive only by the old one (a child reached through its
    // parent), and releasing first would free it.
    RefPtr& operator=(T* pointee) noexcept {
        if (pointee != pointee_) {
            T* old = pointee_;
            pointee_ = pointee;
            mvAddRef();
            if (old) old->Release();
        }
        return *this;
    }
    RefPtr& operator=(const RefPtr& other) noexcept { return *this = other.pointee_; }
    RefPtr& operator=(RefPtr&& other) noexcept {
        if (this != &other) {
            T* old = std::exchange(pointee_, std::exchange(other.pointee_, nullptr));
            if (old) old->Release();
        }
        return *this;
    }
    RefPtr& operator=(std::nullptr_t) noexcept { return *this = static_cast<T*>(nullptr); }

    T* get() const noexcept { return pointee_; }
    T* operator->() const noexcept { return pointee_; }
    T& operator*() const noexcept { return *pointee_; }
    explicit operator bool() const noexcept { return pointee_ != nullptr; }

    // Hands the reference to the caller; the pointer becomes null.
    T* Detach() noexcept { return std::exchange(pointee_, nullptr); }

    // Identity: an item tree is keyed by the records themselves.
    friend bool operator==(const RefPtr& a, const RefPtr& b) noexcept { return a.pointee_ == b.pointee_; }
    friend bool operator==(const RefPtr& a, std::nullptr_t) noexcept { return a.pointee_ == nullptr; }
    friend std::strong_ordering operator<=>(const RefPtr& a, const RefPtr& b) noexcept {
        return std::compare_three_way{}(a.pointee_, b.pointee_);
    }

private:
    void mvAddRef() const noexcept {
        if (pointee_) pointee_->AddRef();
    }
    void mvRelease() noexcept {
        if (T* old = std::exchange(pointee_, nullptr)) old->Release();
    }

    T* pointee_ = nullptr;
};
