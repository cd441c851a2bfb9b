// Lst<T>: the stored-procedure layer's doubly linked list. Lists of ids,
// names and records cross between the layer and its callers in it, so its
// nodes are task memory (CoTaskMemAlloc) that either side may free. The list
// owns its values: removing a node destroys the value it holds.
#pragma once

#include "com/task_memory.h"
#include "winapi/types.h"

#include <new>
#include <utility>

template <class T>
class Lst {
public:
    Lst() noexcept = default;
    virtual ~Lst() { RemoveAll(); }
    // A new list with a copy of every value, in order. Throws what copying a
    // value throws, or std::bad_alloc; the values copied until then are freed
    // (the delegated constructor has finished, so the destructor runs).
    Lst(const Lst& other) : Lst() {
        for (Node* node = other.mpoHead; node; node = node->next) AddTail(node->value);
    }
    Lst& operator=(const Lst&) = delete;

    // Put a copy of the value first / last; returns its place. Throws
    // std::bad_alloc when no node can be allocated (the list is unchanged).
    POSITION AddHead(const T& value) {
        Node* node = NewNode(value);
        node->next = mpoHead;
        if (mpoHead)
            mpoHead->prev = node;
        else
            mpoTail = node;
        mpoHead = node;
        ++mlCount;
        return ToPosition(node);
    }
    POSITION AddTail(const T& value) {
        Node* node = NewNode(value);
        node->prev = mpoTail;
        if (mpoTail)
            mpoTail->next = node;
        else
            mpoHead = node;
        mpoTail = node;
        ++mlCount;
        return ToPosition(node);
    }

    // Walking: GetHeadPosition gives the first place (null when empty);
    // GetNext returns the value at `position` and moves it on, to null after
    // the last value.
    POSITION GetHeadPosition() const noexcept { return ToPosition(mpoHead); }
    T& GetNext(POSITION& position) noexcept {
        Node* node = FromPosition(position);
        position = ToPosition(node->next);
        return node->value;
    }
    const T& GetNext(POSITION& position) const noexcept {
        Node* node = FromPosition(position);
        position = ToPosition(node->next);
        return node->value;
    }

    LONG GetCount() const noexcept { return mlCount; }
    bool IsEmpty() const noexcept { return mpoHead == nullptr; }

    // Take the first / last value out of the list and free its node. The list
    // must not be empty (like the walking calls, they trust the caller).
    T RemoveHead() {
        Node* node = mpoHead;
        mpoHead = node->next;
        if (mpoHead)
            mpoHead->prev = nullptr;
        else
            mpoTail = nullptr;
        return TakeValue(node);
    }
    T RemoveTail() {
        Node* node = mpoTail;
        mpoTail = node->prev;
        if (mpoTail)
            mpoTail->next = nullptr;
        else
            mpoHead = nullptr;
        return TakeValue(node);
    }

    // Destroys every value and frees its node, from the first on.
    void RemoveAll() noexcept {
        while (Node* node = mpoHead) {
            mpoHead = node->next;
            node->~Node();
            CoTaskMemFree(node);
            --mlCount;
        }
        mpoTail = nullptr;
    }

private:
    struct Node {
        T value;
        Node* next;
        Node* prev;
    };

    static Node* NewNode(const T& value) {
        void* memory = CoTaskMemAlloc(sizeof(Node));
        if (!memory) throw std::bad_alloc();
        try {
            return new (memory) Node{value, nullptr, nullptr};
        } catch (...) {
            CoTaskMemFree(memory);
            throw;
        }
    }
    T TakeValue(Node* node) {
        --mlCount;
        T value(std::move(node->value));
        node->~Node();
        CoTaskMemFree(node);
        return value;
    }
    static POSITION ToPosition(Node* node) noexcept { return reinterpret_cast<POSITION>(node); }
    static Node* FromPosition(POSITION position) noexcept { return reinterpret_cast<Node*>(position); }

    Node* mpoHead = nullptr;
    Node* mpoTail = nullptr;
    LONG mlCount = 0;
};
