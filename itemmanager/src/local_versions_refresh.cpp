// gvRefreshFileLocalVersions: the local versions of the files a fetch
// returned, as the client library finds them from the local files' times.
#include "item_object_conversion.h"
#include "record_conversions.h"

#include "item_list.h"

#include "itemstore/itm_object_data.h"

#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "com/bstr.h"
#include "com/com_error.h"
#include "com/error_info.h"
#include "com/ole_date.h"
#include "common/com_errors.h"
#include "common/record_array.h"
#include "tavrosk/client_interfaces.h"
#include "winapi/files.h"
#include "winapi/handles.h"
#include "winapi/system_time.h"

#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

using namespace BellquistLib;
using TavroskClientLib::ITavroskFileInfo;

namespace {

constexpr LONG kFlagLinkedFile = 0x2;  // ItemObjectFlags bit 1: timed from the linked file

// Raises `hr` with `description` unless it succeeded.
void Check(HRESULT hr, const WCHAR* description) {
    if (FAILED(hr)) gvRaiseFailedCall(hr, description);
}

// The file whose time stands for the object: its path, or with the
// linked-file flag the linked file's name in the folder of its path.
std::u16string LocalFileOf(IItmObject& object) {
    BSTR path = nullptr;
    Check(object.get_Path(&path), u"Failed to get file path from IItmObject");
    std::u16string file = com::BstrText(path);
    SysFreeString(path);
    LONG flags = 0;
    Check(object.get_ItemObjectFlags(&flags), u"Failed to get object flags from IItmObject");
    if (flags & kFlagLinkedFile) {
        BSTR linked = nullptr;
        Check(object.get_LinkedFileName(&linked), u"Failed to get linked file name from IItmObject");
        const size_t separator = file.find_last_of(u"\\/");
        file.resize(separator == std::u16string::npos ? 0 : separator);
        file += u'\\';
        file += com::BstrText(linked);
        SysFreeString(linked);
    }
    return file;
}

// The file's last-write time as the vault keeps file times: UTC, whole even
// seconds. Nothing when the file cannot be opened or a conversion fails.
std::optional<DATE> VaultTimeOf(const std::u16string& file) {
    // Path policy: the item's path is in the system's Windows form ("\"
    // separators, drive letters); CreateFileW maps it to the POSIX path by
    // winapi::ToPosixPath (winapi/path_mapping.h), the one translation every
    // file access of the item server goes through. Nothing is translated
    // here.
    HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
    FILETIME written{};
    const BOOL read = GetFileTime(handle, nullptr, nullptr, &written);
    CloseHandle(handle);
    SYSTEMTIME time{};
    if (!read || !FileTimeToSystemTime(&written, &time)) return std::nullopt;
    time.wMilliseconds = 0;
    time.wSecond &= ~1;
    DATE date = 0;
    if (!SystemTimeToVariantTime(&time, &date)) return std::nullopt;
    return date;
}

// The records made for the files, freed with this holder.
struct MadeRecords {
    std::vector<ItmObjectData> records;
    MadeRecords() = default;
    MadeRecords(const MadeRecords&) = delete;
    MadeRecords& operator=(const MadeRecords&) = delete;
    ~MadeRecords() {
        for (ItmObjectData& record : records) gvFreeItmObjectData(&record);
    }
};

// A SAFEARRAY this function owns, destroyed with this holder.
struct HeldArray {
    SAFEARRAY* array = nullptr;
    HeldArray() = default;
    HeldArray(const HeldArray&) = delete;
    HeldArray& operator=(const HeldArray&) = delete;
    ~HeldArray() {
        if (array) SafeArrayDestroy(array);
    }
};

void Refresh(IUnknown* client, SAFEARRAY* objects) {
    ItemList list(objects);
    MadeRecords made;
    for (LONG i = 0; i < list.mlCount(); ++i) {
        CComPtr<IItmObject> object = gpoItemOf(list[i]);
        if (!object) continue;
        ItmObjectType type = ItmObjectType_Undefined;
        Check(object->get_Type(&type), u"Failed to get item type from IItmObject");
        if (type != ItmObjectType_File) continue;
        Check(object->put_LocalVersion(-1), u"Failed to set local version from IItmObject");
        const std::optional<DATE> time = VaultTimeOf(LocalFileOf(*object));
        if (!time) continue;
        ItmObjectData record{};
        Check(ghItmObjectToData(object, &record), u"Failed to convert IItmObject to ItmObjectData");
        record.moModified = *time;
        made.records.push_back(record);
    }
    if (made.records.empty()) return;

    HeldArray sent;
    {
        RecordArray<ItmObjectData> array;
        array.mvCreate(static_cast<ULONG>(made.records.size()), LIBID_BellquistLib, kLibraryMajorVersion,
                       kLibraryMinorVersion);
        ItmObjectData* target = array.mpoBegin();
        for (const ItmObjectData& source : made.records) {
            HRESULT hr = ghInitItmObjectData(target, nullptr);
            if (SUCCEEDED(hr)) hr = ghCopyItmObjectData(target, &source, nullptr);
            Check(hr, u"Failed to copy ItmObjectData");
            ++target;
        }
        array.mvHandOut(&sent.array);
    }

    CComPtr<ITavroskFileInfo> fileInfo;
    if (!client || FAILED(client->QueryInterface(ITavroskFileInfo::kIid, reinterpret_cast<void**>(&fileInfo)))) return;
    // In and out: the library may hand back another array, having freed ours.
    if (FAILED(fileInfo->GetLocalVersions(&sent.array))) {
        SetErrorInfo(0, nullptr);  // the library's failure ends here
        return;
    }
    if (!sent.array) return;

    std::map<LONG, LONG> localVersions;
    {
        RecordArray<ItmObjectData> returned(sent.array);
        for (const ItmObjectData* record = returned.mpoBegin(); record != returned.mpoEnd(); ++record)
            localVersions[record->mlObjectID] = record->mlLocalVersion;  // a later record wins
    }
    for (LONG i = 0; i < list.mlCount(); ++i) {
        CComPtr<IItmObject> object = gpoItemOf(list[i]);
        if (!object) continue;
        ItmObjectType type = ItmObjectType_Undefined;
        Check(object->get_Type(&type), u"Failed to get item type from IItmObject");
        if (type != ItmObjectType_File) continue;
        LONG id = 0;
        Check(object->get_ID(&id), u"Failed to get object ID from IItmObject");
        if (auto found = localVersions.find(id); found != localVersions.end())
            Check(object->put_LocalVersion(found->second), u"Failed to set local version from IItmObject");
    }
}

}  // namespace

void gvRefreshFileLocalVersions(IUnknown* client, SAFEARRAY* objects) {
    if (!objects) return;
    try {
        Refresh(client, objects);
    } catch (const _com_error&) {
        // Swallowed: the objects handled so far keep what was set, and the
        // caller's result stands.
    } catch (const std::bad_alloc&) {}
}
