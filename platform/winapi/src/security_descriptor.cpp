// Security descriptors are checked and recorded only: named objects are
// private to the user who makes them whatever their descriptor says (a null
// DACL, "everyone", has no wider meaning here).
#include "winapi/errors.h"
#include "winapi/sync.h"

BOOL WINAPI InitializeSecurityDescriptor(PSECURITY_DESCRIPTOR descriptor, DWORD revision) {
    if (descriptor == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_UNKNOWN_REVISION);
        return FALSE;
    }
    *static_cast<SECURITY_DESCRIPTOR*>(descriptor) = SECURITY_DESCRIPTOR{SECURITY_DESCRIPTOR_REVISION, 0, 0, nullptr};
    return TRUE;
}

BOOL WINAPI SetSecurityDescriptorDacl(PSECURITY_DESCRIPTOR descriptor, BOOL daclPresent, PACL dacl,
                                      BOOL daclDefaulted) {
    auto* sd = static_cast<SECURITY_DESCRIPTOR*>(descriptor);
    if (sd == nullptr || sd->revision != SECURITY_DESCRIPTOR_REVISION) {
        SetLastError(ERROR_INVALID_SECURITY_DESCR);
        return FALSE;
    }
    if (daclPresent) {
        sd->control = static_cast<WORD>(sd->control | SE_DACL_PRESENT);
        sd->dacl = dacl;
        sd->control =
            static_cast<WORD>(daclDefaulted ? sd->control | SE_DACL_DEFAULTED : sd->control & ~SE_DACL_DEFAULTED);
    } else {
        // Without a DACL the defaulted flag and the DACL pointer are ignored.
        sd->control = static_cast<WORD>(sd->control & ~(SE_DACL_PRESENT | SE_DACL_DEFAULTED));
        sd->dacl = nullptr;
    }
    return TRUE;
}
