// The registration scripts of apartment-threaded in-process classes, in the
// registrar's script format: the full one with a versioned and a
// version-independent ProgID that every server of the system writes for each
// of its classes, and one with the class's key only.
#pragma once

namespace com {

// Under HKEY_CLASSES_ROOT: the versioned ProgID and the version-independent
// one (its CurVer naming the versioned one), each with the CLSID, and the
// class's key. Registering removes the class's key and writes it anew, so
// that nothing of an earlier registration stays in it. Filled in from the
// class's object map entry (CLSID, PROGID, VIPROGID, DESCRIPTION) and the
// module (MODULE, APPID, LIBID).
inline constexpr char16_t kApartmentClassScript[] =
    uR"(
HKCR
{
    %PROGID% = s '%DESCRIPTION%'
    {
        CLSID = s '%CLSID%'
    }
    %VIPROGID% = s '%DESCRIPTION%'
    {
        CLSID = s '%CLSID%'
        CurVer = s '%PROGID%'
    }
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            ProgID = s '%PROGID%'
            VersionIndependentProgID = s '%VIPROGID%'
            ForceRemove Programmable
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
            val AppID = s '%APPID%'
            TypeLib = s '%LIBID%'
        }
    }
}
)";

// Only the class's key, for a class that callers create by its CLSID alone
// (no ProgID, no type library), on the thread that then uses it.
inline constexpr char16_t kApartmentClassKeyScript[] =
    uR"(
HKCR
{
    NoRemove CLSID
    {
        ForceRemove %CLSID% = s '%DESCRIPTION%'
        {
            InprocServer32 = s '%MODULE%'
            {
                val ThreadingModel = s 'Apartment'
            }
        }
    }
}
)";

}  // namespace com
