// CXTPPropExchange: the toolkit's property exchange. An object's
// DoPropExchange names each of its properties once and the same code both
// stores and loads them (IsLoading tells which). CXTPPropExchangeArchive
// exchanges them with a CArchive in our own binary record:
//
//   header   DWORD kPropExchangeMagic, WORD format version (1), written before
//            the first property of an archive
//   property BYTE type, name (the archive's string format), value
//   section  BYTE type, name: the section's properties follow inline
//
// Properties are read back in the order they were written, each checked by
// name and type, so the record needs no index and ends where its last
// property ends: bytes after it (an older, longer file written without
// truncating, or the caller's own data on the same archive) are left alone.
// A section carries a schema version (ExchangeSchema) so that an object can
// add properties later and still read what older programs wrote.
//
// Loading a damaged, foreign or newer record throws CArchiveException* (the
// framework's way: the catcher frees it with Delete()): badClass for a record
// that is not ours, badSchema for a property or section other than the one
// asked for or a schema newer than the reader's, badIndex for a value out of
// its bounds, endOfFile for a short record. Every length and count is bounded
// before anything is allocated for it. An object that must not be left half
// loaded reads into a copy and applies it at the end.
#pragma once

#include "com/cstring.h"
#include "winapi/types.h"

#include <memory>

class CArchive;

// The first four bytes of a property record ("HVPX").
constexpr DWORD kPropExchangeMagic = 0x58505648;
// Limits of what a record may hold; storing beyond them throws too, so that
// whatever is stored can be read back.
constexpr int kPropExchangeMaxNameLength = 255;
constexpr int kPropExchangeMaxStringLength = 1 << 20;
constexpr int kPropExchangeMaxSectionDepth = 32;

class CXTPPropExchange {
public:
    // The kinds of value a property holds (the type byte of the record).
    enum PropType : BYTE {
        propLong = 1,
        propDWord = 2,
        propBool = 3,
        propString = 4,
        propLongLong = 5,
        propDouble = 6,
        propSection = 7,
        propSchema = 8,
        propCount = 9,
    };

    virtual ~CXTPPropExchange() = default;
    CXTPPropExchange(const CXTPPropExchange&) = delete;
    CXTPPropExchange& operator=(const CXTPPropExchange&) = delete;

    BOOL IsLoading() const { return loading_; }
    BOOL IsStoring() const { return !loading_; }

    // Exchanges one property (value points at the PropType's C++ type: LONG,
    // DWORD, BOOL, CString, LONGLONG, double). Storing writes *value; loading
    // overwrites it, or throws and leaves it as it was.
    virtual void ExchangeProp(LPCWSTR pszPropName, PropType type, void* value) = 0;

    // A named child section for a nested object, in order with the
    // properties. The caller owns the result (CXTPPropExchangeSection holds
    // it); its properties must be exchanged before the parent goes on.
    virtual CXTPPropExchange* GetSection(LPCWSTR pszSection) = 0;

    // The version of this section's layout. Storing writes `current` and
    // returns it; loading returns the stored one, and throws (badSchema) when
    // it is newer than `current`, which this program cannot read.
    UINT ExchangeSchema(UINT current);
    // The number of entries of a list that follows, at most `maxCount`
    // (badIndex when the stored one is larger).
    DWORD ExchangeCount(LPCWSTR pszPropName, DWORD count, DWORD maxCount);

protected:
    explicit CXTPPropExchange(bool loading) : loading_(loading) {}

private:
    bool loading_;
};

// Owns a section from GetSection.
class CXTPPropExchangeSection {
public:
    explicit CXTPPropExchangeSection(CXTPPropExchange* pSection) : section_(pSection) {}
    CXTPPropExchangeSection(CXTPPropExchange* pPX, LPCWSTR pszSection) : section_(pPX->GetSection(pszSection)) {}
    CXTPPropExchange* operator->() const { return section_.get(); }
    CXTPPropExchange* GetPX() const { return section_.get(); }
    operator CXTPPropExchange*() const { return section_.get(); }

private:
    std::unique_ptr<CXTPPropExchange> section_;
};

// The exchange over an archive: loads when the archive loads, stores when it
// stores. The archive must outlive the exchange and its sections; other data
// may be written to the archive before and after the properties.
class CXTPPropExchangeArchive : public CXTPPropExchange {
public:
    explicit CXTPPropExchangeArchive(CArchive& ar);

    void ExchangeProp(LPCWSTR pszPropName, PropType type, void* value) override;
    CXTPPropExchange* GetSection(LPCWSTR pszSection) override;

private:
    struct Shared;
    CXTPPropExchangeArchive(std::shared_ptr<Shared> shared, int depth);
    // Writes or checks the record's header once, before the first property.
    void EnsureHeader();
    // Writes or reads and checks the type and name of the next property.
    void ExchangeTag(LPCWSTR pszPropName, PropType type);
    void Fail(int cause) const;

    std::shared_ptr<Shared> shared_;
    int depth_;
};

// The exchange of one property by type, as objects write their
// DoPropExchange. Each returns TRUE; failures throw as described above.
BOOL PX_Long(CXTPPropExchange* pPX, LPCWSTR pszPropName, LONG& nValue);
BOOL PX_Int(CXTPPropExchange* pPX, LPCWSTR pszPropName, int& nValue);
BOOL PX_DWord(CXTPPropExchange* pPX, LPCWSTR pszPropName, DWORD& nValue);
BOOL PX_Bool(CXTPPropExchange* pPX, LPCWSTR pszPropName, BOOL& bValue);
BOOL PX_String(CXTPPropExchange* pPX, LPCWSTR pszPropName, CString& strValue);
BOOL PX_LongLong(CXTPPropExchange* pPX, LPCWSTR pszPropName, LONGLONG& nValue);
BOOL PX_Double(CXTPPropExchange* pPX, LPCWSTR pszPropName, double& dValue);
