#include "winapi/system_messages.h"

#include "winapi/errors.h"
#include "winapi/memory.h"
#include "winapi/thread_locale.h"
#include "winapi/wide_format.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct MessageText {
    DWORD id;
    const char16_t* text;
};

// The Win32 error numbers, by number.
constexpr MessageText kWin32Texts[] = {
    {ERROR_SUCCESS, u"The operation completed successfully.\r\n"},
    {ERROR_INVALID_FUNCTION, u"Incorrect function.\r\n"},
    {ERROR_FILE_NOT_FOUND, u"The system cannot find the file specified.\r\n"},
    {ERROR_PATH_NOT_FOUND, u"The system cannot find the path specified.\r\n"},
    {ERROR_TOO_MANY_OPEN_FILES, u"The system cannot open the file.\r\n"},
    {ERROR_ACCESS_DENIED, u"Access is denied.\r\n"},
    {ERROR_INVALID_HANDLE, u"The handle is invalid.\r\n"},
    {ERROR_NOT_ENOUGH_MEMORY, u"Not enough memory resources are available to process this command.\r\n"},
    {ERROR_BAD_FORMAT, u"An attempt was made to load a program with an incorrect format.\r\n"},
    {ERROR_INVALID_ACCESS, u"The access code is invalid.\r\n"},
    {ERROR_INVALID_DATA, u"The data is invalid.\r\n"},
    {ERROR_OUTOFMEMORY, u"Not enough memory resources are available to complete this operation.\r\n"},
    {ERROR_NOT_SAME_DEVICE, u"The system cannot move the file to a different disk drive.\r\n"},
    {ERROR_NO_MORE_FILES, u"There are no more files.\r\n"},
    {ERROR_NOT_READY, u"The device is not ready.\r\n"},
    {ERROR_WRITE_FAULT, u"The system cannot write to the specified device.\r\n"},
    {ERROR_READ_FAULT, u"The system cannot read from the specified device.\r\n"},
    {ERROR_GEN_FAILURE, u"A device attached to the system is not functioning.\r\n"},
    {ERROR_SHARING_VIOLATION, u"The process cannot access the file because it is being used by another process.\r\n"},
    {ERROR_LOCK_VIOLATION,
     u"The process cannot access the file because another process has locked a portion of the file.\r\n"},
    {ERROR_HANDLE_EOF, u"Reached the end of the file.\r\n"},
    {ERROR_NOT_SUPPORTED, u"The request is not supported.\r\n"},
    {ERROR_FILE_EXISTS, u"The file exists.\r\n"},
    {ERROR_INVALID_PARAMETER, u"The parameter is incorrect.\r\n"},
    {ERROR_BROKEN_PIPE, u"The pipe has been ended.\r\n"},
    {ERROR_BUFFER_OVERFLOW, u"The file name is too long.\r\n"},
    {ERROR_DISK_FULL, u"There is not enough space on the disk.\r\n"},
    {ERROR_CALL_NOT_IMPLEMENTED, u"This function is not supported on this system.\r\n"},
    {ERROR_SEM_TIMEOUT, u"The semaphore timeout period has expired.\r\n"},
    {ERROR_INSUFFICIENT_BUFFER, u"The data area passed to a system call is too small.\r\n"},
    {ERROR_INVALID_NAME, u"The filename, directory name, or volume label syntax is incorrect.\r\n"},
    {ERROR_MOD_NOT_FOUND, u"The specified module could not be found.\r\n"},
    {ERROR_PROC_NOT_FOUND, u"The specified procedure could not be found.\r\n"},
    {ERROR_NEGATIVE_SEEK, u"An attempt was made to move the file pointer before the beginning of the file.\r\n"},
    {ERROR_DIR_NOT_EMPTY, u"The directory is not empty.\r\n"},
    {ERROR_NOT_LOCKED, u"The segment is already unlocked.\r\n"},
    {ERROR_BAD_PATHNAME, u"The specified path is invalid.\r\n"},
    {ERROR_ALREADY_EXISTS, u"Cannot create a file when that file already exists.\r\n"},
    {ERROR_BAD_EXE_FORMAT, u"%1 is not a valid Win32 application.\r\n"},
    {ERROR_ENVVAR_NOT_FOUND, u"The system could not find the environment option that was entered.\r\n"},
    {ERROR_FILENAME_EXCED_RANGE, u"The filename or extension is too long.\r\n"},
    {ERROR_NO_DATA, u"The pipe is being closed.\r\n"},
    {ERROR_MORE_DATA, u"More data is available.\r\n"},
    {WAIT_TIMEOUT, u"The wait operation timed out.\r\n"},
    {ERROR_NO_MORE_ITEMS, u"No more data is available.\r\n"},
    {ERROR_DIRECTORY, u"The directory name is invalid.\r\n"},
    {ERROR_NOT_OWNER, u"Attempt to release mutex not owned by caller.\r\n"},
    {ERROR_MR_MID_NOT_FOUND,
     u"The system cannot find message text for message number 0x%1 in the message file for %2.\r\n"},
    {ERROR_INVALID_ADDRESS, u"Attempt to access invalid address.\r\n"},
    {ERROR_ARITHMETIC_OVERFLOW, u"Arithmetic result exceeded 32 bits.\r\n"},
    {ERROR_ABANDONED_WAIT_0, u"ERROR_ABANDONED_WAIT_0\r\n"},
    {ERROR_NOACCESS, u"Invalid access to memory location.\r\n"},
    {ERROR_INVALID_FLAGS, u"Invalid flags.\r\n"},
    {ERROR_BADDB, u"The configuration registry database is corrupt.\r\n"},
    {ERROR_BADKEY, u"The configuration registry key is invalid.\r\n"},
    {ERROR_CANTOPEN, u"The configuration registry key could not be opened.\r\n"},
    {ERROR_CANTREAD, u"The configuration registry key could not be read.\r\n"},
    {ERROR_CANTWRITE, u"The configuration registry key could not be written.\r\n"},
    {ERROR_REGISTRY_CORRUPT,
     u"The registry is corrupted. The structure of one of the files containing registry data is corrupted, or "
     u"the system's memory image of the file is corrupted, or the file could not be recovered because the "
     u"alternate copy or log was absent or corrupted.\r\n"},
    {ERROR_KEY_DELETED, u"Illegal operation attempted on a registry key that has been marked for deletion.\r\n"},
    {ERROR_KEY_HAS_CHILDREN,
     u"Cannot create a symbolic link in a registry key that already has subkeys or values.\r\n"},
    {ERROR_NO_UNICODE_TRANSLATION,
     u"No mapping for the Unicode character exists in the target multi-byte code page.\r\n"},
    {ERROR_DLL_INIT_FAILED, u"A dynamic link library (DLL) initialization routine failed.\r\n"},
    {ERROR_MAPPED_ALIGNMENT, u"The base address or the file offset specified does not have the proper alignment.\r\n"},
    {ERROR_OLD_WIN_VERSION, u"The specified program requires a newer version of Windows.\r\n"},
    {ERROR_NOT_FOUND, u"Element not found.\r\n"},
    {ERROR_CANCELLED, u"The operation was canceled by the user.\r\n"},
    {ERROR_UNKNOWN_REVISION, u"The revision level is unknown.\r\n"},
    {ERROR_PRIVILEGE_NOT_HELD, u"A required privilege is not held by the client.\r\n"},
    {ERROR_INVALID_SECURITY_DESCR, u"The security descriptor structure is invalid.\r\n"},
    {ERROR_INVALID_WINDOW_HANDLE, u"Invalid window handle.\r\n"},
    {ERROR_CANNOT_FIND_WND_CLASS, u"Cannot find window class.\r\n"},
    {ERROR_CLASS_ALREADY_EXISTS, u"Class already exists.\r\n"},
    {ERROR_CLASS_DOES_NOT_EXIST, u"Class does not exist.\r\n"},
    {ERROR_NO_SYSTEM_RESOURCES, u"Insufficient system resources exist to complete the requested service.\r\n"},
    {ERROR_TIMEOUT, u"This operation returned because the timeout period expired.\r\n"},
    {ERROR_RESOURCE_DATA_NOT_FOUND, u"The specified image file did not contain a resource section.\r\n"},
    {ERROR_RESOURCE_TYPE_NOT_FOUND, u"The specified resource type cannot be found in the image file.\r\n"},
    {ERROR_RESOURCE_NAME_NOT_FOUND, u"The specified resource name cannot be found in the image file.\r\n"},
    {ERROR_RESOURCE_LANG_NOT_FOUND, u"The specified resource language ID cannot be found in the image file.\r\n"},
};

// HRESULTs outside the Win32 facility.
constexpr MessageText kHresultTexts[] = {
    {static_cast<DWORD>(E_UNEXPECTED), u"Catastrophic failure\r\n"},
    {static_cast<DWORD>(E_NOTIMPL), u"Not implemented\r\n"},
    {static_cast<DWORD>(E_NOINTERFACE), u"No such interface supported\r\n"},
    {static_cast<DWORD>(E_POINTER), u"Invalid pointer\r\n"},
    {static_cast<DWORD>(E_ABORT), u"Operation aborted\r\n"},
    {static_cast<DWORD>(E_FAIL), u"Unspecified error\r\n"},
    {static_cast<DWORD>(E_PENDING), u"The data necessary to complete this operation is not yet available.\r\n"},
    {static_cast<DWORD>(E_BOUNDS), u"The operation attempted to access data outside the valid range\r\n"},
    // The component runtime's and automation's codes.
    {0x80020003u, u"Member not found.\r\n"},                                               // DISP_E_MEMBERNOTFOUND
    {0x80020004u, u"Parameter not found.\r\n"},                                            // DISP_E_PARAMNOTFOUND
    {0x80020005u, u"Type mismatch.\r\n"},                                                  // DISP_E_TYPEMISMATCH
    {0x80020006u, u"Unknown name.\r\n"},                                                   // DISP_E_UNKNOWNNAME
    {0x80020008u, u"Bad variable type.\r\n"},                                              // DISP_E_BADVARTYPE
    {0x80020009u, u"Exception occurred.\r\n"},                                             // DISP_E_EXCEPTION
    {0x8002000Au, u"Out of present range.\r\n"},                                           // DISP_E_OVERFLOW
    {0x8002000Bu, u"Invalid index.\r\n"},                                                  // DISP_E_BADINDEX
    {0x8002000Du, u"Memory is locked.\r\n"},                                               // DISP_E_ARRAYISLOCKED
    {0x8002000Eu, u"Invalid number of parameters.\r\n"},                                   // DISP_E_BADPARAMCOUNT
    {0x8002801Du, u"Library not registered.\r\n"},                                         // TYPE_E_LIBNOTREGISTERED
    {0x80040110u, u"Class does not support aggregation (or class object is remote)\r\n"},  // CLASS_E_NOAGGREGATION
    {0x80040111u, u"ClassFactory cannot supply requested class\r\n"},                      // CLASS_E_CLASSNOTAVAILABLE
    {0x80040154u, u"Class not registered\r\n"},                                            // REGDB_E_CLASSNOTREG
    {0x800401F0u, u"CoInitialize has not been called.\r\n"},                               // CO_E_NOTINITIALIZED
    {0x800401F3u, u"Invalid class string\r\n"},                                            // CO_E_CLASSSTRING
    {0x800401F9u, u"Error in the DLL\r\n"},                                                // CO_E_ERRORINDLL
    {0x800401FBu, u"Object is not registered\r\n"},                                        // CO_E_OBJNOTREG
    {0x80010106u, u"Cannot change thread mode after it is set.\r\n"},                      // RPC_E_CHANGED_MODE
    {0x80080005u, u"Server execution failed\r\n"},                                         // CO_E_SERVER_EXEC_FAILURE
    // Structured storage.
    {static_cast<DWORD>(STG_E_INVALIDFUNCTION), u"Unable to perform requested operation.\r\n"},
    {static_cast<DWORD>(STG_E_FILENOTFOUND), u"%1 could not be found.\r\n"},
    {static_cast<DWORD>(STG_E_PATHNOTFOUND), u"The path %1 could not be found.\r\n"},
    {static_cast<DWORD>(STG_E_TOOMANYOPENFILES), u"There are insufficient resources to open another file.\r\n"},
    {static_cast<DWORD>(STG_E_ACCESSDENIED), u"Access Denied.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDHANDLE), u"Attempted an operation on an invalid object.\r\n"},
    {static_cast<DWORD>(STG_E_INSUFFICIENTMEMORY),
     u"There is insufficient memory available to complete operation.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDPOINTER), u"Invalid pointer error.\r\n"},
    {static_cast<DWORD>(STG_E_NOMOREFILES), u"There are no more entries to return.\r\n"},
    {static_cast<DWORD>(STG_E_DISKISWRITEPROTECTED), u"Disk is write-protected.\r\n"},
    {static_cast<DWORD>(STG_E_SEEKERROR), u"An error occurred during a seek operation.\r\n"},
    {static_cast<DWORD>(STG_E_WRITEFAULT), u"A disk error occurred during a write operation.\r\n"},
    {static_cast<DWORD>(STG_E_READFAULT), u"A disk error occurred during a read operation.\r\n"},
    {static_cast<DWORD>(STG_E_SHAREVIOLATION), u"A share violation has occurred.\r\n"},
    {static_cast<DWORD>(STG_E_LOCKVIOLATION), u"A lock violation has occurred.\r\n"},
    {static_cast<DWORD>(STG_E_FILEALREADYEXISTS), u"%1 already exists.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDPARAMETER), u"Invalid parameter error.\r\n"},
    {static_cast<DWORD>(STG_E_MEDIUMFULL), u"There is insufficient disk space to complete operation.\r\n"},
    {static_cast<DWORD>(STG_E_ABNORMALAPIEXIT), u"An API call exited abnormally.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDHEADER), u"The file %1 is not a valid compound file.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDNAME), u"The name %1 is not valid.\r\n"},
    {static_cast<DWORD>(STG_E_UNKNOWN), u"An unexpected error occurred.\r\n"},
    {static_cast<DWORD>(STG_E_UNIMPLEMENTEDFUNCTION), u"That function is not implemented.\r\n"},
    {static_cast<DWORD>(STG_E_INVALIDFLAG), u"Invalid flag error.\r\n"},
    {static_cast<DWORD>(STG_E_INUSE), u"Attempted to use an object that is busy.\r\n"},
    {static_cast<DWORD>(STG_E_NOTCURRENT), u"The storage has been changed since the last commit.\r\n"},
    {static_cast<DWORD>(STG_E_REVERTED), u"Attempted to use an object that has ceased to exist.\r\n"},
    {static_cast<DWORD>(STG_E_CANTSAVE), u"Can't save.\r\n"},
    {static_cast<DWORD>(STG_E_OLDFORMAT),
     u"The compound file %1 was produced with an incompatible version of storage.\r\n"},
    {static_cast<DWORD>(STG_E_OLDDLL), u"The compound file %1 was produced with a newer version of storage.\r\n"},
    {static_cast<DWORD>(STG_E_SHAREREQUIRED), u"Share.exe or equivalent is required for operation.\r\n"},
    {static_cast<DWORD>(STG_E_NOTFILEBASEDSTORAGE), u"Illegal operation called on non-file based storage.\r\n"},
    {static_cast<DWORD>(STG_E_DOCFILECORRUPT), u"The compound file %1 is corrupt.\r\n"},
    {static_cast<DWORD>(STG_E_INCOMPLETE), u"Not all the requested data could be retrieved.\r\n"},
    {static_cast<DWORD>(STG_E_TERMINATED), u"The operation was terminated.\r\n"},
    {static_cast<DWORD>(STG_S_CONVERTED), u"The underlying file was converted to compound file format.\r\n"},
};

template <size_t N>
const char16_t* Find(const MessageText (&table)[N], DWORD id) {
    for (const MessageText& entry : table)
        if (entry.id == id) return entry.text;
    return nullptr;
}

const char16_t* SystemText(DWORD id) {
    if (id <= 0xFFFF) return Find(kWin32Texts, id);
    if (HRESULT_SEVERITY(id) == SEVERITY_ERROR && HRESULT_FACILITY(id) == FACILITY_WIN32)
        return Find(kWin32Texts, HRESULT_CODE(id));
    return Find(kHresultTexts, id);
}

bool IsEnglishOrDefault(DWORD language) {
    if (language == 0 || language == LANG_USER_DEFAULT || language == LANG_SYSTEM_DEFAULT) return true;
    return language <= 0xFFFF && PRIMARYLANGID(language) == LANG_ENGLISH;
}

DWORD Fail(DWORD error) {
    SetLastError(error);
    return 0;
}

// --- Parsing a message text --------------------------------------------------

struct Token {
    enum Kind { Text, LineBreak, HardLineBreak, Insert, End } kind;
    std::u16string text;  // Text, a LineBreak as written, an Insert as written
    int number = 0;       // Insert
    std::u16string format = u"s";
};

// False for an insert with an unterminated format.
bool Tokenize(std::u16string_view text, std::vector<Token>& tokens) {
    for (size_t i = 0; i < text.size();) {
        WCHAR c = text[i];
        if (c == u'\r' || c == u'\n') {
            size_t n = c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n' ? 2 : 1;
            tokens.push_back({Token::LineBreak, std::u16string(text.substr(i, n))});
            i += n;
            continue;
        }
        if (c != u'%' || i + 1 >= text.size()) {
            tokens.push_back({Token::Text, std::u16string(1, c)});
            ++i;
            continue;
        }
        WCHAR escape = text[i + 1];
        if (escape >= u'1' && escape <= u'9') {
            Token insert{Token::Insert, {}};
            size_t end = i + 2;
            insert.number = escape - u'0';
            if (end < text.size() && text[end] >= u'0' && text[end] <= u'9')
                insert.number = insert.number * 10 + (text[end++] - u'0');
            if (end < text.size() && text[end] == u'!') {
                size_t close = text.find(u'!', end + 1);
                if (close == std::u16string_view::npos) return false;
                insert.format = std::u16string(text.substr(end + 1, close - end - 1));
                end = close + 1;
            }
            insert.text = std::u16string(text.substr(i, end - i));
            tokens.push_back(std::move(insert));
            i = end;
            continue;
        }
        i += 2;
        switch (escape) {
        case u'0':
            tokens.push_back({Token::End, {}});
            return true;
        case u'n':
            tokens.push_back({Token::HardLineBreak, u"\r\n"});
            break;
        case u'r':
            tokens.push_back({Token::Text, u"\r"});
            break;
        case u't':
            tokens.push_back({Token::Text, u"\t"});
            break;
        default:
            tokens.push_back({Token::Text, std::u16string(1, escape)});
            break;  // %% % . ! and the like
        }
    }
    return true;
}

// --- Inserts -------------------------------------------------------------------

struct InsertValue {
    uint64_t bits = 0;
    double real = 0;
};

enum class ValueKind { Integer32, Integer64, Pointer, Real };

ValueKind KindOf(std::u16string_view format) {
    WCHAR conversion = format.empty() ? u's' : format.back();
    if (conversion == u's' || conversion == u'S' || conversion == u'p') return ValueKind::Pointer;
    if (std::u16string_view(u"eEfFgG").find(conversion) != std::u16string_view::npos) return ValueKind::Real;
    bool wide = format.find(u"ll") != std::u16string_view::npos || format.find(u'z') != std::u16string_view::npos ||
                (format.find(u'I') != std::u16string_view::npos && format.find(u"I32") == std::u16string_view::npos);
    return wide ? ValueKind::Integer64 : ValueKind::Integer32;
}

// One insert's value, for the printer.
class SingleValue : public winapi::FormatArguments {
public:
    explicit SingleValue(const InsertValue& value) : value_(value) {}
    uint64_t NextInteger(int) override { return value_.bits; }
    double NextDouble() override { return value_.real; }
    const void* NextPointer() override { return reinterpret_cast<const void*>(static_cast<uintptr_t>(value_.bits)); }

private:
    InsertValue value_;
};

// Takes the values of inserts 1 to the highest used, in order; an unused
// number in between takes a pointer-sized value, as the platform assumes.
std::vector<InsertValue> TakeValues(const std::vector<Token>& tokens, bool argumentArray, va_list* arguments) {
    std::vector<ValueKind> kinds;
    for (const Token& token : tokens) {
        if (token.kind != Token::Insert) continue;
        if (kinds.size() < static_cast<size_t>(token.number)) kinds.resize(token.number, ValueKind::Pointer);
        kinds[token.number - 1] = KindOf(token.format);
    }
    std::vector<InsertValue> values(kinds.size());
    for (size_t i = 0; i < kinds.size(); ++i) {
        if (argumentArray) {
            values[i].bits = reinterpret_cast<const DWORD_PTR*>(arguments)[i];
            std::memcpy(&values[i].real, &values[i].bits, sizeof(double));
            continue;
        }
        switch (kinds[i]) {
        case ValueKind::Integer32:
            values[i].bits = va_arg(*arguments, unsigned int);
            break;
        case ValueKind::Integer64:
            values[i].bits = va_arg(*arguments, unsigned long long);
            break;
        case ValueKind::Pointer:
            values[i].bits = reinterpret_cast<uintptr_t>(va_arg(*arguments, const void*));
            break;
        case ValueKind::Real:
            values[i].real = va_arg(*arguments, double);
            break;
        }
    }
    return values;
}

// Breaks each line longer than `width` at its last space within the width,
// or within a word that is longer.
std::u16string WrapLines(std::u16string_view text, size_t width) {
    std::u16string out;
    for (size_t start = 0;;) {
        size_t end = text.find(u"\r\n", start);
        std::u16string_view line = text.substr(start, end == std::u16string_view::npos ? end : end - start);
        while (line.size() > width) {
            size_t cut = line.rfind(u' ', width);
            if (cut == std::u16string_view::npos || cut == 0) {
                out += line.substr(0, width);
                line.remove_prefix(width);
            } else {
                out += line.substr(0, cut);
                line.remove_prefix(cut + 1);
            }
            out += u"\r\n";
        }
        out += line;
        if (end == std::u16string_view::npos) return out;
        out += u"\r\n";
        start = end + 2;
    }
}

}  // namespace

DWORD WINAPI FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                            va_list* arguments) {
    if (!buffer) return Fail(ERROR_INVALID_PARAMETER);
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) *reinterpret_cast<WCHAR**>(buffer) = nullptr;  // until it succeeds
    bool fromString = flags & FORMAT_MESSAGE_FROM_STRING;
    bool fromSystem = flags & FORMAT_MESSAGE_FROM_SYSTEM;
    if (fromString && (fromSystem || (flags & FORMAT_MESSAGE_FROM_HMODULE))) return Fail(ERROR_INVALID_PARAMETER);

    const char16_t* text = nullptr;
    if (fromString) {
        text = static_cast<const WCHAR*>(source);
        if (!text) return Fail(ERROR_INVALID_PARAMETER);
    } else if (fromSystem) {
        if (!IsEnglishOrDefault(languageId)) return Fail(ERROR_RESOURCE_LANG_NOT_FOUND);
        text = SystemText(messageId);
        if (!text) return Fail(ERROR_MR_MID_NOT_FOUND);
    } else {
        return Fail(flags & FORMAT_MESSAGE_FROM_HMODULE ? ERROR_RESOURCE_TYPE_NOT_FOUND : ERROR_INVALID_PARAMETER);
    }

    std::vector<Token> tokens;
    if (!Tokenize(text, tokens)) return Fail(ERROR_INVALID_PARAMETER);
    bool ignoreInserts = flags & FORMAT_MESSAGE_IGNORE_INSERTS;
    std::vector<InsertValue> values;
    if (!ignoreInserts) {
        bool anyInsert =
            std::any_of(tokens.begin(), tokens.end(), [](const Token& t) { return t.kind == Token::Insert; });
        if (anyInsert && !arguments) return Fail(ERROR_INVALID_PARAMETER);
        for (const Token& token : tokens)
            if (token.kind == Token::Insert && token.format.find(u'*') != std::u16string::npos)
                return Fail(ERROR_INVALID_PARAMETER);
        if (anyInsert) values = TakeValues(tokens, flags & FORMAT_MESSAGE_ARGUMENT_ARRAY, arguments);
    }

    DWORD width = flags & FORMAT_MESSAGE_MAX_WIDTH_MASK;
    std::u16string message;
    for (const Token& token : tokens) {
        if (token.kind == Token::End) break;
        if (token.kind == Token::LineBreak && width != 0) {
            message += u' ';
        } else if (token.kind == Token::Insert && !ignoreInserts) {
            SingleValue value(values[token.number - 1]);
            std::u16string format = u"%" + token.format;
            if (!winapi::FormatInto(message, format.c_str(), value)) return Fail(ERROR_INVALID_PARAMETER);
        } else {
            message += token.text;
        }
    }
    if (width != 0 && width != FORMAT_MESSAGE_MAX_WIDTH_MASK) message = WrapLines(message, width);

    size_t needed = message.size() + 1;
    if (flags & FORMAT_MESSAGE_ALLOCATE_BUFFER) {
        size_t units = std::max<size_t>(needed, size);
        auto* block = static_cast<WCHAR*>(LocalAlloc(LMEM_FIXED, units * sizeof(WCHAR)));
        if (!block) return Fail(ERROR_NOT_ENOUGH_MEMORY);
        std::memcpy(block, message.c_str(), needed * sizeof(WCHAR));
        *reinterpret_cast<WCHAR**>(buffer) = block;
    } else {
        if (needed > size) {
            if (size > 0) buffer[0] = 0;
            return Fail(ERROR_INSUFFICIENT_BUFFER);
        }
        std::memcpy(buffer, message.c_str(), needed * sizeof(WCHAR));
    }
    return static_cast<DWORD>(message.size());
}
