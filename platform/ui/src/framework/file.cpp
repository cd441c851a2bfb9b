#include "ui/framework/file.h"

#include "ui/framework/afx_message_box.h"
#include "winapi/errors.h"
#include "winapi/files.h"
#include "winapi/handles.h"

#include <algorithm>

namespace {

int CauseOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
        return CFileException::fileNotFound;
    case ERROR_PATH_NOT_FOUND:
        return CFileException::badPath;
    case ERROR_ACCESS_DENIED:
        return CFileException::accessDenied;
    case ERROR_SHARING_VIOLATION:
        return CFileException::sharingViolation;
    default:
        return CFileException::genericException;
    }
}

CString WithName(const CString& name, const char16_t* before, const char16_t* after) {
    std::u16string text = before;
    text += name.IsEmpty() ? std::u16string(u"an unnamed file") : std::u16string(name.GetString());
    text += after;
    return CString(text.c_str());
}

}  // namespace

BOOL CException::GetErrorMessage(WCHAR* lpszError, UINT nMaxError, UINT* pnHelpContext) const {
    if (pnHelpContext) *pnHelpContext = 0;
    if (!lpszError || nMaxError == 0) return FALSE;
    CString text = ErrorText();
    UINT count = std::min<UINT>(static_cast<UINT>(text.GetLength()), nMaxError - 1);
    std::copy_n(text.GetString(), count, lpszError);
    lpszError[count] = u'\0';
    return TRUE;
}

int CException::ReportError(UINT nType, UINT nMessageID) {
    CString text = ErrorText();
    if (text.IsEmpty() && nMessageID) return AfxMessageBox(nMessageID, nType);
    return AfxMessageBox(text, nType);
}

CString CFileException::ErrorText() const {
    switch (m_cause) {
    case fileNotFound:
        return WithName(m_strFileName, u"", u" was not found.");
    case badPath:
        return WithName(m_strFileName, u"", u" contains an invalid path.");
    case accessDenied:
        return WithName(m_strFileName, u"", u" could not be accessed.");
    case sharingViolation:
    case lockViolation:
        return WithName(m_strFileName, u"", u" is in use by another program.");
    case diskFull:
        return WithName(m_strFileName, u"There is not enough space on the disk for ", u".");
    case endOfFile:
        return WithName(m_strFileName, u"An attempt was made to access ", u" past its end.");
    case badSeek:
        return WithName(m_strFileName, u"An error occurred while moving in ", u".");
    default:
        return WithName(m_strFileName, u"An unexpected error occurred while accessing ", u".");
    }
}

CFile::CFile(LPCWSTR lpszFileName, UINT nOpenFlags) {
    CFileException error;
    if (!Open(lpszFileName, nOpenFlags, &error))
        throw new CFileException(error.m_cause, error.m_lOsError, lpszFileName);
}

CFile::~CFile() {
    if (m_hFile) CloseHandle(m_hFile);
}

BOOL CFile::Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError) {
    if (m_hFile) Close();
    m_strFileName = lpszFileName;
    DWORD access = GENERIC_READ;
    if (nOpenFlags & modeWrite) access = GENERIC_WRITE;
    if (nOpenFlags & modeReadWrite) access = GENERIC_READ | GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if (nOpenFlags & modeCreate) disposition = (nOpenFlags & modeNoTruncate) ? OPEN_ALWAYS : CREATE_ALWAYS;
    HANDLE file = CreateFileW(lpszFileName, access, FILE_SHARE_READ, nullptr, disposition, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (pError) {
            pError->m_cause = CauseOf(error);
            pError->m_lOsError = static_cast<LONG>(error);
            pError->m_strFileName = lpszFileName;
        }
        return FALSE;
    }
    m_hFile = file;
    return TRUE;
}

UINT CFile::Read(void* lpBuf, UINT nCount) {
    DWORD read = 0;
    if (!m_hFile || !ReadFile(m_hFile, lpBuf, nCount, &read, nullptr))
        throw new CFileException(CFileException::genericException, static_cast<LONG>(GetLastError()), m_strFileName);
    return read;
}

void CFile::Write(const void* lpBuf, UINT nCount) {
    DWORD written = 0;
    if (!m_hFile || !WriteFile(m_hFile, lpBuf, nCount, &written, nullptr))
        throw new CFileException(CFileException::genericException, static_cast<LONG>(GetLastError()), m_strFileName);
    if (written != nCount) throw new CFileException(CFileException::diskFull, -1, m_strFileName);
}

ULONGLONG CFile::Seek(LONGLONG lOff, UINT nFrom) {
    LARGE_INTEGER distance{};
    distance.QuadPart = lOff;
    LARGE_INTEGER position{};
    if (!m_hFile || !SetFilePointerEx(m_hFile, distance, &position, nFrom))
        throw new CFileException(CFileException::badSeek, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(position.QuadPart);
}

ULONGLONG CFile::GetLength() const {
    LARGE_INTEGER size{};
    if (!m_hFile || !GetFileSizeEx(m_hFile, &size))
        throw new CFileException(CFileException::genericException, static_cast<LONG>(GetLastError()), m_strFileName);
    return static_cast<ULONGLONG>(size.QuadPart);
}

void CFile::Flush() {
    if (m_hFile && !FlushFileBuffers(m_hFile))
        throw new CFileException(CFileException::hardIO, static_cast<LONG>(GetLastError()), m_strFileName);
}

void CFile::Close() {
    if (!m_hFile) return;
    HANDLE file = m_hFile;
    m_hFile = nullptr;
    if (!CloseHandle(file))
        throw new CFileException(CFileException::genericException, static_cast<LONG>(GetLastError()), m_strFileName);
}
