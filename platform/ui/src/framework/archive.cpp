#include "ui/framework/archive.h"

#include <algorithm>
#include <cstring>

namespace {

template <class T>
void ToLittleEndian(T value, BYTE* bytes) {
    std::memcpy(bytes, &value, sizeof(T));  // the platform is little-endian
}

}  // namespace

CString CArchiveException::ErrorText() const {
    std::u16string name = m_strFileName.IsEmpty() ? std::u16string(u"an archive") : m_strFileName.GetString();
    switch (m_cause) {
    case endOfFile:
        return CString((u"Unexpected end of " + name + u".").c_str());
    case badIndex:
    case badClass:
    case badSchema:
        return CString((u"Unexpected format in " + name + u".").c_str());
    case readOnly:
        return CString((u"Tried to write to " + name + u", which is being read.").c_str());
    case writeOnly:
        return CString((u"Tried to read from " + name + u", which is being written.").c_str());
    default:
        return CString((u"An unexpected error occurred while accessing " + name + u".").c_str());
    }
}

CArchive::CArchive(CFile* pFile, UINT nMode, int nBufSize, void*)
    : file_(pFile), loading_((nMode & load) != 0), buffer_(static_cast<std::size_t>(std::max(nBufSize, 16))) {}

CArchive::~CArchive() {
    if (!file_ || loading_) return;
    try {
        Flush();
    } catch (CException* error) {
        error->Delete();
    }
}

void CArchive::Flush() {
    if (!file_ || loading_ || position_ == 0) return;
    std::size_t held = position_;
    position_ = 0;
    file_->Write(buffer_.data(), static_cast<UINT>(held));
}

void CArchive::Close() {
    Flush();
    file_ = nullptr;
}

UINT CArchive::Read(void* lpBuf, UINT nMax) {
    if (!loading_) throw new CArchiveException(CArchiveException::writeOnly, file_ ? file_->GetFilePath() : nullptr);
    auto* out = static_cast<BYTE*>(lpBuf);
    UINT done = 0;
    while (done < nMax) {
        if (position_ == filled_) {
            filled_ = file_ ? file_->Read(buffer_.data(), static_cast<UINT>(buffer_.size())) : 0;
            position_ = 0;
            if (filled_ == 0) break;
        }
        std::size_t take = std::min<std::size_t>(nMax - done, filled_ - position_);
        std::memcpy(out + done, buffer_.data() + position_, take);
        position_ += take;
        done += static_cast<UINT>(take);
    }
    return done;
}

void CArchive::ReadExactly(void* buffer, UINT count) {
    if (Read(buffer, count) != count)
        throw new CArchiveException(CArchiveException::endOfFile, file_ ? file_->GetFilePath() : nullptr);
}

void CArchive::Write(const void* lpBuf, UINT nMax) {
    if (loading_) throw new CArchiveException(CArchiveException::readOnly, file_ ? file_->GetFilePath() : nullptr);
    const auto* in = static_cast<const BYTE*>(lpBuf);
    UINT done = 0;
    while (done < nMax) {
        if (position_ == buffer_.size()) Flush();
        std::size_t take = std::min<std::size_t>(nMax - done, buffer_.size() - position_);
        std::memcpy(buffer_.data() + position_, in + done, take);
        position_ += take;
        done += static_cast<UINT>(take);
    }
}

template <class T>
CArchive& CArchive::Store(T value) {
    BYTE bytes[sizeof(T)];
    ToLittleEndian(value, bytes);
    Write(bytes, sizeof(T));
    return *this;
}

template <class T>
CArchive& CArchive::Load(T& value) {
    ReadExactly(&value, sizeof(T));
    return *this;
}

CArchive& CArchive::operator<<(BYTE value) { return Store(value); }
CArchive& CArchive::operator<<(WORD value) { return Store(value); }
CArchive& CArchive::operator<<(LONG value) { return Store(value); }
CArchive& CArchive::operator<<(DWORD value) { return Store(value); }
CArchive& CArchive::operator<<(LONGLONG value) { return Store(value); }
CArchive& CArchive::operator<<(ULONGLONG value) { return Store(value); }
CArchive& CArchive::operator<<(double value) { return Store(value); }
CArchive& CArchive::operator>>(BYTE& value) { return Load(value); }
CArchive& CArchive::operator>>(WORD& value) { return Load(value); }
CArchive& CArchive::operator>>(LONG& value) { return Load(value); }
CArchive& CArchive::operator>>(DWORD& value) { return Load(value); }
CArchive& CArchive::operator>>(LONGLONG& value) { return Load(value); }
CArchive& CArchive::operator>>(ULONGLONG& value) { return Load(value); }
CArchive& CArchive::operator>>(double& value) { return Load(value); }

CArchive& CArchive::operator<<(const CString& value) {
    // The Unicode mark, then the length in the smallest form that holds it.
    *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFE);
    auto length = static_cast<DWORD>(value.GetLength());
    if (length < 0xFF) {
        *this << static_cast<BYTE>(length);
    } else if (length < 0xFFFE) {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(length);
    } else {
        *this << static_cast<BYTE>(0xFF) << static_cast<WORD>(0xFFFF) << length;
    }
    Write(value.GetString(), length * sizeof(WCHAR));
    return *this;
}

CArchive& CArchive::operator>>(CString& value) {
    BYTE mark = 0;
    WORD unicode = 0;
    *this >> mark >> unicode;
    if (mark != 0xFF || unicode != 0xFFFE)
        throw new CArchiveException(CArchiveException::badIndex, file_ ? file_->GetFilePath() : nullptr);
    BYTE shortLength = 0;
    *this >> shortLength;
    DWORD length = shortLength;
    if (shortLength == 0xFF) {
        WORD wordLength = 0;
        *this >> wordLength;
        length = wordLength;
        if (wordLength == 0xFFFF) *this >> length;
    }
    // Read in pieces: a damaged length ends at the end of the file
    // (endOfFile) instead of allocating whatever it claims.
    std::u16string text;
    while (length > 0) {
        WCHAR chunk[256];
        UINT take = std::min<DWORD>(length, 256);
        ReadExactly(chunk, take * sizeof(WCHAR));
        text.append(chunk, take);
        length -= take;
    }
    value = CString(text.c_str());
    return *this;
}
