#include "oxnvault/view_copy.h"

#include "common/error_codes.h"
#include "vaultdb/archive.h"
#include "winapi/errors.h"
#include "winapi/path_mapping.h"
#include "winapi/save_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <filesystem>
#include <system_error>
#include <vector>

namespace oxnvault {

namespace {

// Automation DATE of the Unix epoch.
constexpr double kUnixEpochDate = 25569.0;

// The stored time as a file time, whole seconds (as the local version rule
// compares them).
timespec FileTimeOf(double date) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(std::floor((date - kUnixEpochDate) * 86400.0 + 1e-4));
    return time;
}

}  // namespace

std::u16string ViewFilePath(std::u16string_view viewPath, std::u16string_view folderVaultPath,
                            std::u16string_view fileName) {
    while (!viewPath.empty() && (viewPath.back() == u'\\' || viewPath.back() == u'/')) viewPath.remove_suffix(1);
    std::u16string path(viewPath);
    if (folderVaultPath.empty() || folderVaultPath.front() != u'\\') path += u'\\';
    path += folderVaultPath;
    if (path.back() != u'\\') path += u'\\';
    path += fileName;
    return path;
}

HRESULT HresultOfFileError(int error) {
    switch (error) {
    case ENOSPC:
        return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case EACCES:
    case EPERM:
    case EROFS:
        return E_ACCESSDENIED;
    default:
        return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    }
}

HRESULT WriteVersionBeside(vaultdb::Database& database, const StoredVersion& version, const std::u16string& path,
                           bool durableNow, std::unique_ptr<winapi::SaveFile>& copy, std::u16string& message) {
    copy.reset();
    if (!version.hasContents && version.docType == 4) return S_FALSE;
    std::vector<uint8_t> data;
    if (!version.hasContents ||
        FAILED(vaultdb::ReadDocumentVersion(database, version.documentId, version.version, data))) {
        message = u"The archive holds no contents for this version of the file.";
        return E_OXN_FILE_NOT_FOUND;
    }
    const std::filesystem::path target(winapi::ToPosixPath(path));
    std::error_code error;
    std::filesystem::create_directories(target.parent_path(), error);
    if (error) {
        message = u"The folder of the file could not be made in the view folder.";
        return HresultOfFileError(error.value());
    }
    auto save = std::make_unique<winapi::SaveFile>();
    winapi::SaveFile::Options options;
    options.mode = 0644;
    options.applyUmask = true;
    options.flushFolder = durableNow;
    options.flushContent = durableNow;
    int result = save->Create(target.string(), options);
    if (result == 0) result = save->Write(data.data(), data.size());
    if (result == 0) {
        const timespec times[2] = {FileTimeOf(version.modifiedUtc), FileTimeOf(version.modifiedUtc)};
        if (::futimens(save->fd(), times) != 0) result = errno;
    }
    if (result != 0) {
        message = u"The file could not be written into the view folder.";
        return HresultOfFileError(result);
    }
    copy = std::move(save);
    return S_OK;
}

HRESULT CopyVersionToView(vaultdb::Database& database, const StoredVersion& version, const std::u16string& path,
                          std::u16string& message) {
    std::unique_ptr<winapi::SaveFile> copy;
    const HRESULT hr = WriteVersionBeside(database, version, path, true, copy, message);
    if (hr != S_OK) return hr;
    const int result = copy->Commit();
    if (result != 0 && !copy->IsPlaced()) {
        message = u"The file could not be written into the view folder.";
        return HresultOfFileError(result);
    }
    return S_OK;
}

}  // namespace oxnvault
