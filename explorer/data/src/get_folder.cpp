#include "explorer/data/get_folder.h"

#include "explorer/data/cache_obj.h"

#include "bellquist/enums.h"
#include "com/bstr.h"
#include "winapi/shell_paths.h"
#include "winapi/text.h"

namespace HelperUtilsNS {

namespace {

// `folder` with its trailing backslashes replaced by exactly one.
std::u16string WithOneBackslash(std::u16string folder) {
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    return folder + u'\\';
}

// `path` without its last component (PathRemoveFileSpecW).
std::u16string WithoutLastComponent(const std::u16string& path) {
    std::u16string buffer = path;
    PathRemoveFileSpecW(buffer.data());
    buffer.resize(wcslen(buffer.c_str()));
    return buffer;
}

}  // namespace

bool GetFolder::mbGetFolder() {
    if (!moFolder.empty()) return true;
    if (moPath.empty()) return false;
    moFolder = WithOneBackslash(moPath.back() == u'\\' ? moPath : WithoutLastComponent(moPath));
    return true;
}

bool GetFolder::mbGetParentFolder() {
    if (!moParentFolder.empty()) return true;
    if (!mbGetFolder()) return false;
    std::u16string folder = moFolder;
    while (!folder.empty() && folder.back() == u'\\') folder.pop_back();
    moParentFolder = WithOneBackslash(WithoutLastComponent(folder));
    return true;
}

bool GetFolderItem::mbGetFolder() {
    if (moPath.empty()) {
        if (!moNode || !moNode->moCacheObj || !moNode->moCacheObj->moInner) return false;
        BellquistLib::IItmObject* item = moNode->moCacheObj->moInner->mpoItem;
        BellquistLib::ItmObjectType type = BellquistLib::ItmObjectType_Undefined;
        if (item == nullptr || FAILED(item->get_Type(&type))) return false;
        if (type < BellquistLib::ItmObjectType_Root_ItemFolder || type > BellquistLib::ItmObjectType_Item) return false;
        BSTR path = nullptr;
        if (FAILED(item->get_Path(&path))) return false;
        moPath = com::BstrText(path);
        SysFreeString(path);
    }
    return GetFolder::mbGetFolder();
}

}  // namespace HelperUtilsNS
