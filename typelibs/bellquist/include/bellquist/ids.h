// Identities of the item server Bellquist: its type library, its AppID and
// the classes it serves.
#pragma once

#include "com/unknown.h"

namespace BellquistLib {

inline constexpr GUID LIBID_BellquistLib = com::MakeGuid("D9143D3C-3208-46B6-BD0E-5D1365395C81");
inline constexpr WORD kLibraryMajorVersion = 1;
inline constexpr WORD kLibraryMinorVersion = 0;
inline constexpr GUID APPID_Bellquist = com::MakeGuid("35B4A751-B485-483D-BB79-BA1BE19D07E6");

inline constexpr CLSID CLSID_ItmManager = com::MakeGuid("0E2D96AC-21B5-4678-96C2-5D9B25191C0A");
inline constexpr CLSID CLSID_ItmObject = com::MakeGuid("4E16B62A-ECD0-4992-A39A-5F13E8694CCD");
inline constexpr CLSID CLSID_ItmItem = com::MakeGuid("8FCC11DD-5A42-4C0C-BAD0-D5FD04F5CD96");
inline constexpr CLSID CLSID_ItmFolder = com::MakeGuid("D87AB4A6-92D1-4A5F-ADDE-81163A3ADA6D");
inline constexpr CLSID CLSID_ItmFile = com::MakeGuid("94F2A2CE-F431-40D6-ADB3-ADF2D99F21DB");
inline constexpr CLSID CLSID_ItmBOM = com::MakeGuid("C9ACA41D-C822-45C0-B2ED-7FF02BE94E30");
inline constexpr CLSID CLSID_ItmLinkManager = com::MakeGuid("8C3BAA77-46A1-43EB-8F0E-93BAB43F51DD");

}  // namespace BellquistLib
