// The component runtime: joining a thread to it, creating objects by class
// id, the classes a process serves itself, ProgIDs, and unloading server
// libraries that are no longer used.
//
// Classes are served in process only. CoGetClassObject looks for a class in
// this order:
//   1. the class objects this process registered (CoRegisterClassObject)
//      for a context that the request shares;
//   2. when the request includes CLSCTX_INPROC_SERVER: the server library
//      named by the default value of the key
//      HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 (a path or a library
//      name such as "Bellquist.dll", found as LoadLibraryW finds it;
//      REG_EXPAND_SZ is expanded). The
//      library is loaded once and kept in a per-process cache, and its
//      exported DllGetClassObject answers;
//   3. when the request includes CLSCTX_LOCAL_SERVER: a stand-in this
//      process registered for the class (com::RegisterLocalServerStandIn),
//      since local servers - other programs - are not started here.
// Anything else is REGDB_E_CLASSNOTREG. A server library that cannot be
// loaded gives HRESULT_FROM_WIN32 of the loader's error (0x8007007E when it
// is missing); one without DllGetClassObject gives CO_E_ERRORINDLL.
#pragma once

#include "com/class_factory.h"
#include "com/hresults.h"
#include "com/unknown.h"

// --- Joining a thread to the runtime -----------------------------------------
enum COINIT {
    COINIT_MULTITHREADED = 0x0,
    COINIT_APARTMENTTHREADED = 0x2,
    COINIT_DISABLE_OLE1DDE = 0x4,
    COINIT_SPEED_OVER_MEMORY = 0x8,
};

// S_OK for the thread's first initialisation, S_FALSE for each further one
// of the same kind (each is undone by one CoUninitialize), RPC_E_CHANGED_MODE
// (not counted) when the thread joined with the other threading model.
// E_INVALIDARG for a non-null `reserved` or unknown flags. Creating objects
// and registering classes need an initialised thread (CO_E_NOTINITIALIZED);
// while any thread of the process is in the multithreaded apartment, every
// thread may create objects, as threads of that apartment implicitly.
HRESULT WINAPI CoInitializeEx(LPVOID reserved, DWORD coInit);
// CoInitializeEx(reserved, COINIT_APARTMENTTHREADED).
HRESULT WINAPI CoInitialize(LPVOID reserved);
// Undoes one initialisation of the thread. When the last initialisation of
// the process is undone, the server libraries no longer used are unloaded
// (CoFreeUnusedLibraries); libraries still in use stay.
void WINAPI CoUninitialize();
// OLE's initialisation: here the same as CoInitialize / CoUninitialize.
HRESULT WINAPI OleInitialize(LPVOID reserved);
void WINAPI OleUninitialize();

// --- Creating objects -------------------------------------------------------------
enum CLSCTX {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
};
#define CLSCTX_INPROC (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)
#define CLSCTX_SERVER (CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER)

struct COAUTHINFO;
// Names the machine to create an object on. Only this machine serves
// classes here, so the runtime takes none (see CoGetClassObject).
struct COSERVERINFO {
    DWORD dwReserved1;
    LPWSTR pwszName;
    COAUTHINFO* pAuthInfo;
    DWORD dwReserved2;
};

// The exports of an in-process server library, with C linkage:
// DllGetClassObject and DllCanUnloadNow.
typedef HRESULT (*LPFNGETCLASSOBJECT)(REFCLSID clsid, REFIID riid, LPVOID* object);
typedef HRESULT (*LPFNCANUNLOADNOW)();

// The class object of `clsid` asked for `riid`, found as described at the
// top. E_INVALIDARG for a null out-pointer, a context naming no kind of
// server, or a server info (other machines are not reached).
HRESULT WINAPI CoGetClassObject(REFCLSID clsid, DWORD context, COSERVERINFO* serverInfo, REFIID riid, LPVOID* object);
// A new object: the class object's IClassFactory::CreateInstance. E_POINTER
// for a null out-pointer; *object is null on failure.
HRESULT WINAPI CoCreateInstance(REFCLSID clsid, LPUNKNOWN outer, DWORD context, REFIID riid, LPVOID* object);

// --- Classes served by this process ----------------------------------------------
enum REGCLS {
    REGCLS_SINGLEUSE = 0,       // served to one CoGetClassObject, then hidden
    REGCLS_MULTIPLEUSE = 1,     // served to every request
    REGCLS_MULTI_SEPARATE = 2,  // the same as MULTIPLEUSE here
};

// Makes `classObject` (held with a reference until revoked) the class object
// of `clsid` for requests sharing `context`, ahead of the registry; the
// latest registration of a class wins. A MULTIPLEUSE registration for
// CLSCTX_LOCAL_SERVER serves CLSCTX_INPROC_SERVER requests too. *cookie
// names the registration for CoRevokeClassObject. E_INVALIDARG for null
// arguments, a context naming no kind of server or other flags;
// CO_E_NOTINITIALIZED.
HRESULT WINAPI CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN classObject, DWORD context, DWORD flags, LPDWORD cookie);
// Ends a registration and releases its class object. CO_E_OBJNOTREG for a
// cookie that names none.
HRESULT WINAPI CoRevokeClassObject(DWORD cookie);

namespace com {

// Makes a new class object (one reference for the caller), or null when it
// cannot.
typedef IClassFactory* (*LocalServerStandIn)();

// Serves CLSCTX_LOCAL_SERVER requests for `clsid` in this process: the
// system expects some classes of the programs beside it to be local servers
// (their own processes); here such a class is served by code that the
// process links, which registers the stand-in at its start. A stand-in that
// makes no class object gives CO_E_SERVER_EXEC_FAILURE, as a server that
// failed to start. A null stand-in removes the class's one.
void RegisterLocalServerStandIn(REFCLSID clsid, LocalServerStandIn makeClassObject);

}  // namespace com

// --- Unloading unused server libraries ------------------------------------------
// Asks every cached server library's DllCanUnloadNow and unloads those that
// answer S_OK (a library without that export stays). A library is never
// unloaded while one of its class objects is being handed out.
void WINAPI CoFreeUnusedLibraries();
// The same; the platform waits `unloadDelay` milliseconds before unloading,
// this runtime unloads at once, as nothing of an unused library can run.
void WINAPI CoFreeUnusedLibrariesEx(DWORD unloadDelay, DWORD reserved);

// --- ProgIDs ------------------------------------------------------------------------
// HKEY_CLASSES_ROOT\<progId>\CLSID; a ProgID without one follows its CurVer
// (the version-independent ProgID names the current versioned one).
// CO_E_CLASSSTRING when the ProgID is unknown or its class text no GUID;
// *clsid is then GUID_NULL. E_INVALIDARG for null arguments.
HRESULT WINAPI CLSIDFromProgID(LPCOLESTR progId, LPCLSID clsid);
// HKEY_CLASSES_ROOT\CLSID\{clsid}\ProgID, in task memory (CoTaskMemFree).
// REGDB_E_CLASSNOTREG when the class has none, E_INVALIDARG for a null
// out-pointer, E_OUTOFMEMORY.
HRESULT WINAPI ProgIDFromCLSID(REFCLSID clsid, LPOLESTR* progId);
