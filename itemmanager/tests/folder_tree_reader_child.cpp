// Helper process of the item operations' session tests: another explorer on
// the same machine, reading an item folder's tree from the vault.
//   folder_tree_reader_child <vault GUID> <view GUID> <view path> <user> <password> <folder id> <folder path>
//       creates ItmManager by class id, logs in to vault "Demo" directly,
//       fetches the folder's tree (BatchGetTrees, every level) and prints
//       one line "<type> <id> <name>" per object it got, in type and id
//       order, then "end".
//       Exit code 0, or 2 when a step failed (its HRESULT printed).
#include "bellquist/enums.h"
#include "bellquist/ids.h"
#include "bellquist/item_interfaces.h"
#include "bellquist/manager_interfaces.h"
#include "com/bstr.h"
#include "com/ccom_ptr.h"
#include "com/runtime.h"
#include "com/safearray.h"
#include "vennacle/sp_mgr.h"
#include "winapi/guid_text.h"
#include "winapi/text.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <tuple>

using namespace BellquistLib;

namespace {

int Failed(const char* step, HRESULT hr) {
    std::printf("%s failed 0x%08x\n", step, static_cast<unsigned>(hr));
    std::fflush(stdout);
    return 2;
}

// Logs in, reads the tree and prints it; the manager is released by the
// caller.
int ReadTree(IItmManager2* manager, char** argv) {
    InitData data{};
    data.meClientType = ClientType_Local_Client;
    if (!winapi::ParseGuid(winapi::ToUtf16(argv[1]), &data.moVaultGUID) ||
        !winapi::ParseGuid(winapi::ToUtf16(argv[2]), &data.moViewGUID))
        return 64;
    data.moViewPath = SysAllocString(winapi::ToUtf16(argv[3]).c_str());
    HRESULT hr = manager->Init(data);
    SysFreeString(data.moViewPath);
    if (FAILED(hr)) return Failed("Init", hr);

    BSTR vault = SysAllocString(u"Demo");
    BSTR user = SysAllocString(winapi::ToUtf16(argv[4]).c_str());
    BSTR password = SysAllocString(winapi::ToUtf16(argv[5]).c_str());
    BSTR none = SysAllocString(u"");
    LoginDataOut out{};
    hr = manager->Login2(vault, user, password, none, none, 0, &out);
    for (BSTR text : {vault, user, password, none, out.moUsername}) SysFreeString(text);
    if (auto* spMgr = reinterpret_cast<SpMgr*>(static_cast<uintptr_t>(out.mpoSpMgr))) spMgr->Release();
    if (FAILED(hr)) return Failed("Login2", hr);

    ItmObjectData record{};
    record.meObjectType = ItmObjectType_ItemFolder;
    record.mlObjectID = std::atoi(argv[6]);
    record.mlConfigID = -1;
    record.mbIsUpToDate = 1;
    const std::u16string path = winapi::ToUtf16(argv[7]);
    record.moPath = SysAllocString(path.c_str());
    record.moFilename = SysAllocString(u"");
    CComPtr<IUnknown> created;
    hr = manager->CoCreateItem(&record, &created);
    SysFreeString(record.moPath);
    SysFreeString(record.moFilename);
    if (FAILED(hr)) return Failed("CoCreateItem", hr);
    CComQIPtr<IDispatch> folder(created);

    SAFEARRAY* input = SafeArrayCreateVector(VT_VARIANT, 0, 1);
    VARIANT element;
    VariantInit(&element);
    element.vt = VT_DISPATCH;
    element.pdispVal = folder;
    LONG index = 0;
    SafeArrayPutElement(input, &index, &element);
    SAFEARRAY* objects = nullptr;
    hr = manager->BatchGetTrees(input, Bgtf_Recursive, 0, &objects, nullptr);
    SafeArrayDestroy(input);
    if (FAILED(hr)) return Failed("BatchGetTrees", hr);
    std::set<std::tuple<int, int, std::string>> seen;
    VARIANT* values = nullptr;
    SafeArrayAccessData(objects, reinterpret_cast<void**>(&values));
    for (ULONG i = 0; i < objects->rgsabound[0].cElements; ++i) {
        CComQIPtr<IItmObject> object(values[i].pdispVal);
        if (!object) continue;
        ItmObjectType type{};
        LONG id = 0;
        BSTR name = nullptr;
        object->get_Type(&type);
        object->get_ID(&id);
        object->get_Name(&name);
        seen.emplace(static_cast<int>(type), static_cast<int>(id), winapi::ToUtf8(com::BstrView(name)));
        SysFreeString(name);
    }
    SafeArrayUnaccessData(objects);
    SafeArrayDestroy(objects);
    for (const auto& [type, id, name] : seen) std::printf("%d %d %s\n", type, id, name.c_str());
    hr = manager->LogOut();
    if (FAILED(hr)) return Failed("LogOut", hr);
    std::printf("end\n");
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 8) return 64;
    if (CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED) != S_OK) return 1;
    IItmManager2* manager = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_ItmManager, nullptr, CLSCTX_INPROC_SERVER, IItmManager2::kIid,
                                  reinterpret_cast<void**>(&manager));
    if (FAILED(hr)) return Failed("CoCreateInstance", hr);
    const int code = ReadTree(manager, argv);
    manager->Release();
    CoFreeUnusedLibraries();
    CoUninitialize();
    return code;
}
