// The calculator class of the hand-written server, and the counts that
// decide whether the library may be unloaded.
#pragma once

#include "com/class_factory.h"

namespace hand_server {

// Objects alive plus LockServer(TRUE) calls not yet undone.
long ActiveObjectsAndLocks();

// The class object (one reference for the caller).
IClassFactory* NewCalculatorFactory();

}  // namespace hand_server
