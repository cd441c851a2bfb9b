// CObject and CRuntimeClass: the framework's root class and its run-time
// class records.
//
// Every class that declares DECLARE_DYNAMIC (or DECLARE_DYNCREATE) in its
// body and IMPLEMENT_DYNAMIC (IMPLEMENT_DYNCREATE) in one source file gets
// one static CRuntimeClass {name, size, factory, base}, initialised at
// compile time, so IsKindOf and RUNTIME_CLASS work in static initialisers
// too. IsKindOf walks the base chain (cost: the depth of the hierarchy).
#pragma once

#include "winapi/types.h"

class CObject;
class CArchive;
class CDumpContext;

struct CRuntimeClass {
    const char* m_lpszClassName;
    int m_nObjectSize;
    UINT m_wSchema;                   // 0xFFFF: not serialisable
    CObject* (*m_pfnCreateObject)();  // null: not dynamically creatable
    const CRuntimeClass* m_pBaseClass;

    // A new object of the class (the caller owns it); null when the class is
    // not dynamically creatable.
    CObject* CreateObject() const;
    // TRUE when this class is `base` or derives from it.
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;
    // The class of that name among the classes implemented with the
    // IMPLEMENT_ macros; null when none is.
    static CRuntimeClass* FromName(const char* className);
};

class CObject {
public:
    virtual ~CObject() = default;
    CObject(const CObject&) = delete;
    CObject& operator=(const CObject&) = delete;

    virtual CRuntimeClass* GetRuntimeClass() const;
    // TRUE when the object's class is `pClass` or derives from it.
    BOOL IsKindOf(const CRuntimeClass* pClass) const;
    // The object's own data to or from an archive; the default has none.
    virtual void Serialize(CArchive& ar);
    // Checks of the object's invariants; the default checks nothing.
    virtual void AssertValid() const;
    // Writes the object's class name; derived classes add their members.
    virtual void Dump(CDumpContext& dc) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
};

namespace ui::detail {

// Makes a class findable by CRuntimeClass::FromName; one per IMPLEMENT_.
struct RuntimeClassRegistration {
    explicit RuntimeClassRegistration(const CRuntimeClass* runtimeClass);
};

// The object when it is of `runtimeClass` (or derived), else null.
inline CObject* DowncastCheck(const CRuntimeClass* runtimeClass, const CObject* object) {
    return object && object->IsKindOf(runtimeClass) ? const_cast<CObject*>(object) : nullptr;
}

}  // namespace ui::detail

#define RUNTIME_CLASS(class_name) (const_cast<CRuntimeClass*>(&class_name::class##class_name))

#define DECLARE_DYNAMIC(class_name)               \
public:                                           \
    static const CRuntimeClass class##class_name; \
    CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(class_name) \
    DECLARE_DYNAMIC(class_name)       \
    static CObject* CreateObject();

#define UI_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, schema, factory)                                     \
    const CRuntimeClass class_name::class##class_name = {#class_name, static_cast<int>(sizeof(class_name)), schema, \
                                                         factory, RUNTIME_CLASS(base_class_name)};                  \
    CRuntimeClass* class_name::GetRuntimeClass() const { return RUNTIME_CLASS(class_name); }                        \
    static const ::ui::detail::RuntimeClassRegistration registration_of_##class_name(RUNTIME_CLASS(class_name));

#define IMPLEMENT_DYNAMIC(class_name, base_class_name) \
    UI_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, nullptr)

#define IMPLEMENT_DYNCREATE(class_name, base_class_name)           \
    CObject* class_name::CreateObject() { return new class_name; } \
    UI_IMPLEMENT_RUNTIMECLASS(class_name, base_class_name, 0xFFFF, &class_name::CreateObject)

// The object as a `class_name`, or null when it is of another class (or
// null).
#define DYNAMIC_DOWNCAST(class_name, object) \
    (static_cast<class_name*>(::ui::detail::DowncastCheck(RUNTIME_CLASS(class_name), object)))
#define STATIC_DOWNCAST(class_name, object) (static_cast<class_name*>(object))
