#include "ui/framework/object.h"

#include <cstring>
#include <map>
#include <string>

namespace {

// Classes by name, for CRuntimeClass::FromName. Filled by the static
// registrations of the IMPLEMENT_ macros, so it lives in a function.
std::map<std::string, const CRuntimeClass*>& ClassesByName() {
    static std::map<std::string, const CRuntimeClass*> classes;
    return classes;
}

}  // namespace

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), 0xFFFF, nullptr, nullptr};

CObject* CRuntimeClass::CreateObject() const { return m_pfnCreateObject ? m_pfnCreateObject() : nullptr; }

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const {
    for (const CRuntimeClass* runtimeClass = this; runtimeClass; runtimeClass = runtimeClass->m_pBaseClass)
        if (runtimeClass == base) return TRUE;
    return FALSE;
}

CRuntimeClass* CRuntimeClass::FromName(const char* className) {
    if (!className) return nullptr;
    auto& classes = ClassesByName();
    auto found = classes.find(className);
    return found == classes.end() ? nullptr : const_cast<CRuntimeClass*>(found->second);
}

CRuntimeClass* CObject::GetRuntimeClass() const { return RUNTIME_CLASS(CObject); }

BOOL CObject::IsKindOf(const CRuntimeClass* pClass) const { return GetRuntimeClass()->IsDerivedFrom(pClass); }

void CObject::Serialize(CArchive&) {}

void CObject::AssertValid() const {}

namespace ui::detail {

RuntimeClassRegistration::RuntimeClassRegistration(const CRuntimeClass* runtimeClass) {
    ClassesByName()[runtimeClass->m_lpszClassName] = runtimeClass;
}

}  // namespace ui::detail

static const ui::detail::RuntimeClassRegistration registration_of_CObject(RUNTIME_CLASS(CObject));
