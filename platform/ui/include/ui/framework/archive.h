// CArchive: values written to or read from a CFile through a buffer, in
// little-endian order, and CArchiveException for a damaged or short
// archive. Strings are stored as the framework stores them: a length
// prefix (one byte, else 0xFF and a word, else 0xFFFF and a double word)
// after the Unicode mark 0xFF 0xFFFE, then UTF-16 units.
#pragma once

#include "ui/framework/file.h"

#include <vector>

class CArchiveException : public CException {
public:
    enum { none, genericException, readOnly, endOfFile, writeOnly, badIndex, badClass, badSchema };
    explicit CArchiveException(int cause = none, LPCWSTR lpszArchiveName = nullptr)
        : m_cause(cause), m_strFileName(lpszArchiveName) {}
    CString ErrorText() const override;

    int m_cause;
    CString m_strFileName;
};

class CArchive {
public:
    enum Mode { store = 0, load = 1 };

    // `pFile` must stay open while the archive is used.
    CArchive(CFile* pFile, UINT nMode, int nBufSize = 4096, void* lpBuf = nullptr);
    // Flushes a storing archive (failures are not reported: Close first).
    ~CArchive();
    CArchive(const CArchive&) = delete;
    CArchive& operator=(const CArchive&) = delete;

    BOOL IsLoading() const { return loading_; }
    BOOL IsStoring() const { return !loading_; }
    CFile* GetFile() const { return file_; }

    // Reads up to nMax bytes; fewer only at the end of the file.
    UINT Read(void* lpBuf, UINT nMax);
    void Write(const void* lpBuf, UINT nMax);
    void Flush();
    void Close();

    CArchive& operator<<(BYTE value);
    CArchive& operator<<(WORD value);
    CArchive& operator<<(LONG value);  // also int
    CArchive& operator<<(DWORD value);
    CArchive& operator<<(LONGLONG value);
    CArchive& operator<<(ULONGLONG value);
    CArchive& operator<<(double value);
    CArchive& operator<<(const CString& value);
    CArchive& operator>>(BYTE& value);
    CArchive& operator>>(WORD& value);
    CArchive& operator>>(LONG& value);
    CArchive& operator>>(DWORD& value);
    CArchive& operator>>(LONGLONG& value);
    CArchive& operator>>(ULONGLONG& value);
    CArchive& operator>>(double& value);
    // Throws CArchiveException* (badIndex) for a malformed length or
    // endOfFile for a short archive.
    CArchive& operator>>(CString& value);

private:
    // Exactly `count` bytes or a CArchiveException* (endOfFile).
    void ReadExactly(void* buffer, UINT count);
    template <class T>
    CArchive& Store(T value);
    template <class T>
    CArchive& Load(T& value);

    CFile* file_;
    bool loading_;
    std::vector<BYTE> buffer_;
    std::size_t position_ = 0;  // loading: next byte; storing: bytes held
    std::size_t filled_ = 0;    // loading: bytes in the buffer
};
