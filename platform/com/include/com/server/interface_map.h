// The interface map ("COM map") of a server object class: a small static
// table, in the class, of the interfaces its QueryInterface answers.
//
//   BEGIN_COM_MAP(CWidget)
//       COM_INTERFACE_ENTRY(IWidget)                  // the class's IWidget base
//       COM_INTERFACE_ENTRY2(IDispatch, IWidget)      // IDispatch, reached through IWidget
//       COM_INTERFACE_ENTRY_IID(IID_IOldWidget, IWidget)  // another IID for a base
//       COM_INTERFACE_ENTRY_AGGREGATE_BLIND(mInner)   // any other IID: asked of mInner
//   END_COM_MAP()
//
// QueryInterface follows the table in order. IUnknown is answered by the
// first entry, which must be an interface of the object itself, so every
// interface of the object gives the same IUnknown (its identity). A blind
// entry hands any IID it meets to the QueryInterface of another object - an
// interface pointer member of the class, raw or smart - and the caller gets
// that object's own answer; a null member, or a failure of the other object,
// passes the query on to the entries after it.
#pragma once

#include "com/unknown.h"
#include "winapi/errors.h"

namespace com {

struct InterfaceMapEntry {
    enum Kind { kInterface, kBlind, kEnd };
    Kind kind;
    const IID* iid;                                             // kInterface: the IID answered
    IUnknown* (*interfaceOf)(void* object);                     // kInterface: the object's base for iid
    HRESULT (*delegate)(void* object, REFIID iid, void** out);  // kBlind: asks the other object
};

namespace detail {

// QueryInterface over a map ending with a kEnd entry. E_POINTER for a
// null `out`; otherwise *out is the interface with one reference added, or
// null with E_NOINTERFACE.
HRESULT QueryInterfaceFromMap(void* object, const InterfaceMapEntry* entries, REFIID iid, void** out);

}  // namespace detail
}  // namespace com

#define BEGIN_COM_MAP(Class)                                                              \
public:                                                                                   \
    using _ComMapClass = Class;                                                           \
    HRESULT _InternalQueryInterface(REFIID iid, void** out) {                             \
        return ::com::detail::QueryInterfaceFromMap(this, _GetComMapEntries(), iid, out); \
    }                                                                                     \
    static const ::com::InterfaceMapEntry* _GetComMapEntries() {                          \
        static constexpr ::com::InterfaceMapEntry entries[] = {
// An interface that the class derives from (once).
#define COM_INTERFACE_ENTRY(Interface) COM_INTERFACE_ENTRY_IID(::com::uuidof<Interface>(), Interface)

// The IID `iid` answered with the class's base `Interface`.
#define COM_INTERFACE_ENTRY_IID(iid, Interface)    \
    {::com::InterfaceMapEntry::kInterface, &(iid), \
     [](void* object) -> IUnknown* { return static_cast<Interface*>(static_cast<_ComMapClass*>(object)); }, nullptr},

// An interface that the class reaches through its base `Through`: the
// IDispatch of a dual interface, or a base interface of a derived one.
#define COM_INTERFACE_ENTRY2(Interface, Through)                                                    \
    {::com::InterfaceMapEntry::kInterface, &::com::uuidof<Interface>(),                             \
     [](void* object) -> IUnknown* {                                                                \
         return static_cast<Interface*>(static_cast<Through*>(static_cast<_ComMapClass*>(object))); \
     },                                                                                             \
     nullptr},

// Blind delegation to the member `member` (an interface pointer, raw or smart).
#define COM_INTERFACE_ENTRY_AGGREGATE_BLIND(member)                                                            \
    {::com::InterfaceMapEntry::kBlind, nullptr, nullptr, [](void* object, REFIID iid, void** out) -> HRESULT { \
         IUnknown* target = static_cast<_ComMapClass*>(object)->member;                                        \
         return target ? target->QueryInterface(iid, out) : E_NOINTERFACE;                                     \
     }},

#define END_COM_MAP()                                                                \
    { ::com::InterfaceMapEntry::kEnd, nullptr, nullptr, nullptr }                    \
    }                                                                                \
    ;                                                                                \
    static_assert(entries[0].kind == ::com::InterfaceMapEntry::kInterface,           \
                  "a COM map starts with an interface of the object: its identity"); \
    return entries;                                                                  \
    }
