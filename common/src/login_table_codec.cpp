#include "common/login_table_codec.h"

#include "winapi/text.h"

#include <array>
#include <cstring>
#include <utility>

namespace {

constexpr size_t kStringCount = 7;

// Every read of the table goes through these two; their callers check the
// offsets against the bound first, so nothing past it is ever touched.
char16_t ReadChar(const LoginTableView& view, size_t offset) {
    return static_cast<char16_t>(view.base[offset] | view.base[offset + 1] << 8);
}

int32_t ReadInt32(const LoginTableView& view, size_t offset) {
    uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i) value |= uint32_t{view.base[offset + i]} << (8 * i);
    return static_cast<int32_t>(value);
}

void WriteChar(BYTE* at, char16_t c) {
    at[0] = static_cast<BYTE>(c & 0xFF);
    at[1] = static_cast<BYTE>(c >> 8);
}

void WriteInt32(BYTE* at, int32_t value) {
    auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(bits >> (8 * i));
}

// The offset just past the NUL of the string at `offset`, or 0 when the
// string does not end inside the bound.
size_t StringEnd(const LoginTableView& view, size_t offset) {
    const size_t limit = view.Limit();
    for (; offset + 2 <= limit; offset += 2)
        if (ReadChar(view, offset) == 0) return offset + 2;
    return 0;
}

// The cursor is on an entry: the view exists, two bytes are readable and the
// first character is not 0.
bool AtEntry(const LoginTableView& view) {
    return view.base != nullptr && view.cursor + 2 <= view.Limit() && ReadChar(view, view.cursor) != 0;
}

std::u16string ReadString(const LoginTableView& view, size_t offset, size_t end) {
    std::u16string text;
    text.reserve((end - offset) / 2 - 1);
    for (; offset + 2 < end; offset += 2) text.push_back(ReadChar(view, offset));
    return text;
}

// The seven strings in table order.
template <class Entry>
std::array<decltype(&std::declval<Entry&>().moDbServer), kStringCount> StringsOf(Entry& entry) {
    return {&entry.moDbServer, &entry.moVaultName,  &entry.moUserName, &entry.moPassword,
            &entry.moDbUser,   &entry.moDbPassword, &entry.moShellRoot};
}

}  // namespace

size_t LoginTableEntry::mlEncodedSize() const {
    size_t characters = 0;
    for (const std::u16string* text : StringsOf(*this)) characters += text->size();
    return 2 * (characters + kStringCount) + kLoginEntryFixedBytes;
}

size_t LoginTableEntry::mlWrite(BYTE* position, size_t room) const {
    const size_t size = mlEncodedSize();
    if (position == nullptr || size > room) return 0;
    BYTE* at = position;
    for (const std::u16string* text : StringsOf(*this)) {
        for (char16_t c : *text) {
            WriteChar(at, c);
            at += 2;
        }
        WriteChar(at, 0);
        at += 2;
    }
    for (int32_t value : {mlLoginValue, mlUserID, mlReserved, mlVerification, mlProgramType, int32_t{mbFlag}}) {
        WriteInt32(at, value);
        at += 4;
    }
    return size;
}

size_t LoginTableEntry::mlEntrySize(const LoginTableView& view) {
    if (!AtEntry(view)) return 0;
    size_t offset = view.cursor;
    for (size_t i = 0; i < kStringCount; ++i) {
        offset = StringEnd(view, offset);
        if (offset == 0) return 0;
    }
    if (offset + kLoginEntryFixedBytes > view.Limit()) return 0;
    return offset + kLoginEntryFixedBytes - view.cursor;
}

size_t LoginTable::mlEndOffset(const LoginTableView& view) {
    LoginTableView walk = view;
    while (size_t size = LoginTableEntry::mlEntrySize(walk)) walk.cursor += size;
    return walk.cursor;
}

size_t LoginTable::mlTableSize(const LoginTableView& view) {
    if (!AtEntry(view)) return 0;
    return mlEndOffset(view) + 2 - view.cursor;
}

bool LoginTable::mbRemoveAtCursor(LoginTableView& view) {
    const size_t size = LoginTableEntry::mlEntrySize(view);
    if (size == 0) return false;
    // The entries after this one, without the terminator: a damaged table has
    // no sound terminator to move, so a fresh one is written after them.
    const size_t following = mlTableSize(view) - size - 2;
    BYTE* entry = view.base + view.cursor;
    std::memmove(entry, entry + size, following);
    WriteChar(entry + following, 0);
    return true;
}

bool LoginTable::mbFits(const LoginTableView& view, const LoginTableEntry& entry) {
    if (view.base == nullptr) return false;
    LoginTableView walk = view;
    walk.cursor = 0;
    const size_t end = mlEndOffset(walk);
    const size_t replaced =
        FindLoginTableEntry(walk, entry.moVaultName.c_str()) ? LoginTableEntry::mlEntrySize(walk) : 0;
    return end - replaced + entry.mlEncodedSize() + 2 <= view.Limit();
}

bool LoginTable::mbAppend(LoginTableView& view, const LoginTableEntry& entry) {
    if (view.base == nullptr) return false;
    view.cursor = 0;
    view.cursor = mlEndOffset(view);
    const size_t size = entry.mlEncodedSize();
    if (view.cursor + size + 2 > view.Limit()) return false;
    entry.mlWrite(view.base + view.cursor, size);
    WriteChar(view.base + view.cursor + size, 0);
    return true;
}

bool FindLoginTableEntry(LoginTableView& view, LPCWSTR vaultName) {
    view.cursor = 0;
    LoginTableEntry entry;
    while (ParseLoginTableEntry(view, entry)) {
        if (lstrcmpiW(entry.moVaultName.c_str(), vaultName) == 0) return true;
        view.cursor += LoginTableEntry::mlEntrySize(view);
    }
    return false;
}

bool ParseLoginTableEntry(const LoginTableView& view, LoginTableEntry& entry) {
    if (LoginTableEntry::mlEntrySize(view) == 0) return false;
    size_t offset = view.cursor;
    for (std::u16string* text : StringsOf(entry)) {
        size_t end = StringEnd(view, offset);
        *text = ReadString(view, offset, end);
        offset = end;
    }
    entry.mlLoginValue = ReadInt32(view, offset);
    entry.mlUserID = ReadInt32(view, offset + 4);
    entry.mlReserved = ReadInt32(view, offset + 8);
    entry.mlVerification = ReadInt32(view, offset + 12);
    entry.mlProgramType = ReadInt32(view, offset + 16);
    entry.mbFlag = ReadInt32(view, offset + 20) != 0;
    return true;
}
