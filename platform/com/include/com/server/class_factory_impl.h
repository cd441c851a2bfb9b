// The standard class factory of a server's classes.
#pragma once

#include "com/class_factory.h"
#include "com/unknown.h"

namespace com {

class ServerModule;

// Makes a new object of one class: CComCoClass<T>::CreateInstance. *object is
// null on failure.
using ObjectCreator = HRESULT (*)(IUnknown* outer, REFIID iid, void** object);

// A class factory for the objects that `create` makes, asked for `iid`
// (IUnknown or IClassFactory). While it lives it holds a lock on `module`
// (null: a class of a program, which is never unloaded), and LockServer
// locks and unlocks that module. Its CreateInstance refuses an outer object
// with CLASS_E_NOAGGREGATION. E_POINTER for a null `out`, E_OUTOFMEMORY,
// E_NOINTERFACE; *out is null on failure.
HRESULT CreateClassFactory(ObjectCreator create, ServerModule* module, REFIID iid, void** out);

}  // namespace com
