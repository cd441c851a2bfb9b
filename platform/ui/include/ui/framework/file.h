// CFile and CFileException: the framework's binary file over
// platform/winapi's files, and the failure it throws (as a pointer the
// catcher deletes with Delete(), as the framework does).
#pragma once

#include "ui/framework/object.h"

#include "com/cstring.h"
#include "winapi/types.h"

// The base of the framework's exceptions.
class CException : public CObject {
public:
    // Frees an exception caught by pointer.
    void Delete() { delete this; }
    // Shows the failure's text in a message box (through the prompter).
    virtual int ReportError(UINT nType = 0x30 /* MB_ICONEXCLAMATION */, UINT nMessageID = 0);
    // The failure's text.
    virtual BOOL GetErrorMessage(WCHAR* lpszError, UINT nMaxError, UINT* pnHelpContext = nullptr) const;
    virtual CString ErrorText() const = 0;
};

class CFileException : public CException {
public:
    enum {
        none,
        genericException,
        fileNotFound,
        badPath,
        tooManyOpenFiles,
        accessDenied,
        invalidFile,
        removeCurrentDir,
        directoryFull,
        badSeek,
        hardIO,
        sharingViolation,
        lockViolation,
        diskFull,
        endOfFile,
    };
    explicit CFileException(int cause = none, LONG lOsError = -1, LPCWSTR lpszArchiveName = nullptr)
        : m_cause(cause), m_lOsError(lOsError), m_strFileName(lpszArchiveName) {}
    // "<file> was not found." and the like, by cause.
    CString ErrorText() const override;

    int m_cause;
    LONG m_lOsError;  // the last error of the failed call
    CString m_strFileName;
};

class CFile : public CObject {
public:
    enum OpenFlags : UINT {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,
        modeNoTruncate = 0x2000,
        typeBinary = 0x8000,
    };
    enum SeekPosition { begin = 0, current = 1, end = 2 };

    CFile() = default;
    // Opens or throws a CFileException*.
    CFile(LPCWSTR lpszFileName, UINT nOpenFlags);
    // Closes the file; failures are not reported.
    ~CFile() override;

    // FALSE on failure, with the cause in *pError when given. modeCreate
    // makes the file (emptied unless modeNoTruncate).
    virtual BOOL Open(LPCWSTR lpszFileName, UINT nOpenFlags, CFileException* pError = nullptr);
    // Bytes read (fewer at the end); throws CFileException* on failure.
    virtual UINT Read(void* lpBuf, UINT nCount);
    // Throws CFileException* on failure (diskFull for a short write).
    virtual void Write(const void* lpBuf, UINT nCount);
    virtual ULONGLONG Seek(LONGLONG lOff, UINT nFrom);
    void SeekToBegin() { Seek(0, begin); }
    ULONGLONG SeekToEnd() { return Seek(0, end); }
    virtual ULONGLONG GetLength() const;
    virtual void Flush();
    virtual void Close();
    const CString& GetFilePath() const { return m_strFileName; }

    HANDLE m_hFile = nullptr;  // null while closed

protected:
    CString m_strFileName;
};
