// The input of item generation: one XRefItemDocData per document that becomes
// or joins an item, with the variable values (XRefItemVarData) to write on
// it. Both live in task memory; callers build them with `new` (which zeroes
// the block, so a record zeroed by hand is valid too) and free them with
// `delete`. A XRefItemDocData owns its strings, its vector and the variable
// records in it.
#pragma once

#include "vennacle/sp_str.h"
#include "com/bstr.h"
#include "com/variant.h"
#include "winapi/types.h"

#include <cstddef>
#include <vector>

struct XRefItemVarData {
    XRefItemVarData() noexcept = default;
    XRefItemVarData(const XRefItemVarData& other) = default;
    XRefItemVarData& operator=(const XRefItemVarData& other) = default;
    ~XRefItemVarData() = default;

    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;

    LONG mlVarID = 0;  // the variable by id, or 0 when named
    SpStr moVarName;   // the variable by name
    SpStr moValue;     // the value as text, or empty when it is a date
    DATE mdValue = 0;  // the value as a date
};
static_assert(sizeof(XRefItemVarData) == 48);
static_assert(offsetof(XRefItemVarData, moVarName) == 8);
static_assert(offsetof(XRefItemVarData, moValue) == 24);
static_assert(offsetof(XRefItemVarData, mdValue) == 40);

using XRefItemVarList = std::vector<XRefItemVarData*>;

struct XRefItemDocData {
    XRefItemDocData() noexcept = default;
    XRefItemDocData(const XRefItemDocData&) = delete;
    XRefItemDocData& operator=(const XRefItemDocData&) = delete;
    ~XRefItemDocData();

    static void* operator new(std::size_t size);
    static void operator delete(void* block) noexcept;

    // Pair A: another document that joins the same item ((0, 0): none;
    // (-1, -1): an item of the folder alone, without a document).
    LONG mlJoinDocID = 0;
    // Pair B: the document the item links to.
    LONG mlDocID = 0;
    LONG mlJoinDocWord = 0;
    LONG mlDocWord = 0;
    LONG mlWord16 = 0;           // the tree component's; not read here
    BSTR mbsItemName = nullptr;  // null: the item takes a number
    BSTR mbsConfigName = nullptr;
    LONG mlLinkType = 0;      // 2: a static link; anything else: dynamic
    LONG mlWord44 = 0;        // the tree component's; not read here
    LONG mlWord48 = 0;        // the tree component's; not read here
    LONG mlDestFolderID = 0;  // 0: the destination of the call
    LONG malReserved[2] = {};
    XRefItemVarList* mpoVarData = nullptr;  // owned, may be null
    LONG mbItemNamed = 0;                   // 1 when the user gave the name
};
static_assert(sizeof(XRefItemDocData) == 80);
static_assert(offsetof(XRefItemDocData, mlWord16) == 16);
static_assert(offsetof(XRefItemDocData, mbsItemName) == 24);
static_assert(offsetof(XRefItemDocData, mbsConfigName) == 32);
static_assert(offsetof(XRefItemDocData, mlLinkType) == 40);
static_assert(offsetof(XRefItemDocData, mlDestFolderID) == 52);
static_assert(offsetof(XRefItemDocData, mpoVarData) == 64);
static_assert(offsetof(XRefItemDocData, mbItemNamed) == 72);
