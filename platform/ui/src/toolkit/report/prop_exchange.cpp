#include "ui/toolkit/report/prop_exchange.h"

#include "ui/framework/archive.h"

#include <algorithm>
#include <string>

namespace {

constexpr WORD kFormatVersion = 1;

}  // namespace

// What an exchange and its sections share: the archive and whether the
// record's header has been written or checked yet.
struct CXTPPropExchangeArchive::Shared {
    CArchive* archive;
    bool headerDone = false;
};

UINT CXTPPropExchange::ExchangeSchema(UINT current) {
    DWORD schema = current;
    ExchangeProp(u"Schema", propSchema, &schema);
    if (IsLoading() && schema > current) {
        // Same cause whatever the exchange: a record this program cannot read.
        throw new CArchiveException(CArchiveException::badSchema);
    }
    return schema;
}

DWORD CXTPPropExchange::ExchangeCount(LPCWSTR pszPropName, DWORD count, DWORD maxCount) {
    if (IsStoring() && count > maxCount) throw new CArchiveException(CArchiveException::badIndex);
    ExchangeProp(pszPropName, propCount, &count);
    if (IsLoading() && count > maxCount) throw new CArchiveException(CArchiveException::badIndex);
    return count;
}

CXTPPropExchangeArchive::CXTPPropExchangeArchive(CArchive& ar)
    : CXTPPropExchange(ar.IsLoading() != FALSE), shared_(std::make_shared<Shared>(Shared{&ar})), depth_(0) {}

CXTPPropExchangeArchive::CXTPPropExchangeArchive(std::shared_ptr<Shared> shared, int depth)
    : CXTPPropExchange(shared->archive->IsLoading() != FALSE), shared_(std::move(shared)), depth_(depth) {}

void CXTPPropExchangeArchive::Fail(int cause) const {
    CFile* file = shared_->archive->GetFile();
    throw new CArchiveException(cause, file ? file->GetFilePath().GetString() : nullptr);
}

void CXTPPropExchangeArchive::EnsureHeader() {
    if (shared_->headerDone) return;
    CArchive& ar = *shared_->archive;
    if (IsStoring()) {
        ar << kPropExchangeMagic << kFormatVersion;
    } else {
        DWORD magic = 0;
        WORD version = 0;
        ar >> magic;
        if (magic != kPropExchangeMagic) Fail(CArchiveException::badClass);
        ar >> version;
        if (version != kFormatVersion) Fail(CArchiveException::badSchema);
    }
    shared_->headerDone = true;
}

namespace {

// Reads a string in the archive's format (see archive.h) of at most
// maxLength units; a longer or malformed one is a damaged record.
std::u16string ReadBoundedString(CArchive& ar, DWORD maxLength, int& failure) {
    BYTE mark = 0;
    WORD unicode = 0;
    ar >> mark >> unicode;
    if (mark != 0xFF || unicode != 0xFFFE) {
        failure = CArchiveException::badIndex;
        return {};
    }
    BYTE shortLength = 0;
    ar >> shortLength;
    DWORD length = shortLength;
    if (shortLength == 0xFF) {
        WORD wordLength = 0;
        ar >> wordLength;
        length = wordLength;
        if (wordLength == 0xFFFF) ar >> length;
    }
    if (length > maxLength) {
        failure = CArchiveException::badIndex;
        return {};
    }
    // In pieces: a length the record does not hold ends at the end of the
    // file instead of allocating all it claims first.
    std::u16string text;
    while (length > 0) {
        WCHAR chunk[512];
        UINT take = std::min<DWORD>(length, 512);
        if (ar.Read(chunk, take * sizeof(WCHAR)) != take * sizeof(WCHAR)) {
            failure = CArchiveException::endOfFile;
            return {};
        }
        text.append(chunk, take);
        length -= take;
    }
    return text;
}

std::u16string_view NameOf(LPCWSTR name) { return name ? std::u16string_view(name) : std::u16string_view(); }

}  // namespace

void CXTPPropExchangeArchive::ExchangeTag(LPCWSTR pszPropName, PropType type) {
    EnsureHeader();
    CArchive& ar = *shared_->archive;
    std::u16string_view name = NameOf(pszPropName);
    if (IsStoring()) {
        if (name.size() > kPropExchangeMaxNameLength) Fail(CArchiveException::badIndex);
        ar << static_cast<BYTE>(type) << CString(std::u16string(name).c_str());
        return;
    }
    BYTE storedType = 0;
    ar >> storedType;
    if (storedType != type) Fail(CArchiveException::badSchema);
    int failure = CArchiveException::none;
    std::u16string storedName = ReadBoundedString(ar, kPropExchangeMaxNameLength, failure);
    if (failure != CArchiveException::none) Fail(failure);
    if (storedName != name) Fail(CArchiveException::badSchema);
}

void CXTPPropExchangeArchive::ExchangeProp(LPCWSTR pszPropName, PropType type, void* value) {
    CArchive& ar = *shared_->archive;
    if (type == propSection) Fail(CArchiveException::genericException);  // sections come from GetSection
    if (IsStoring() && type == propString &&
        static_cast<const CString*>(value)->GetLength() > kPropExchangeMaxStringLength) {
        Fail(CArchiveException::badIndex);
    }
    ExchangeTag(pszPropName, type);
    switch (type) {
    case propLong:
        if (IsStoring()) {
            ar << *static_cast<LONG*>(value);
        } else {
            LONG read = 0;
            ar >> read;
            *static_cast<LONG*>(value) = read;
        }
        break;
    case propDWord:
    case propSchema:
    case propCount:
        if (IsStoring()) {
            ar << *static_cast<DWORD*>(value);
        } else {
            DWORD read = 0;
            ar >> read;
            *static_cast<DWORD*>(value) = read;
        }
        break;
    case propBool:
        if (IsStoring()) {
            ar << static_cast<BYTE>(*static_cast<BOOL*>(value) ? 1 : 0);
        } else {
            BYTE read = 0;
            ar >> read;
            if (read > 1) Fail(CArchiveException::badIndex);
            *static_cast<BOOL*>(value) = read;
        }
        break;
    case propString:
        if (IsStoring()) {
            ar << *static_cast<CString*>(value);
        } else {
            int failure = CArchiveException::none;
            std::u16string text = ReadBoundedString(ar, kPropExchangeMaxStringLength, failure);
            if (failure != CArchiveException::none) Fail(failure);
            *static_cast<CString*>(value) = CString(text.c_str());
        }
        break;
    case propLongLong:
        if (IsStoring()) {
            ar << *static_cast<LONGLONG*>(value);
        } else {
            LONGLONG read = 0;
            ar >> read;
            *static_cast<LONGLONG*>(value) = read;
        }
        break;
    case propDouble:
        if (IsStoring()) {
            ar << *static_cast<double*>(value);
        } else {
            double read = 0;
            ar >> read;
            *static_cast<double*>(value) = read;
        }
        break;
    default:
        Fail(CArchiveException::genericException);
    }
}

CXTPPropExchange* CXTPPropExchangeArchive::GetSection(LPCWSTR pszSection) {
    if (depth_ + 1 > kPropExchangeMaxSectionDepth) Fail(CArchiveException::badIndex);
    ExchangeTag(pszSection, propSection);
    return new CXTPPropExchangeArchive(shared_, depth_ + 1);
}

BOOL PX_Long(CXTPPropExchange* pPX, LPCWSTR pszPropName, LONG& nValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propLong, &nValue);
    return TRUE;
}

BOOL PX_Int(CXTPPropExchange* pPX, LPCWSTR pszPropName, int& nValue) {
    LONG value = nValue;
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propLong, &value);
    nValue = value;
    return TRUE;
}

BOOL PX_DWord(CXTPPropExchange* pPX, LPCWSTR pszPropName, DWORD& nValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propDWord, &nValue);
    return TRUE;
}

BOOL PX_Bool(CXTPPropExchange* pPX, LPCWSTR pszPropName, BOOL& bValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propBool, &bValue);
    return TRUE;
}

BOOL PX_String(CXTPPropExchange* pPX, LPCWSTR pszPropName, CString& strValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propString, &strValue);
    return TRUE;
}

BOOL PX_LongLong(CXTPPropExchange* pPX, LPCWSTR pszPropName, LONGLONG& nValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propLongLong, &nValue);
    return TRUE;
}

BOOL PX_Double(CXTPPropExchange* pPX, LPCWSTR pszPropName, double& dValue) {
    pPX->ExchangeProp(pszPropName, CXTPPropExchange::propDouble, &dValue);
    return TRUE;
}
