#include "com/hresults.h"

#include "winapi/system_messages.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The failures the runtime reports, as a message box shows them.
TEST(RuntimeMessagesTest, EveryFailureOfTheRuntimeHasASystemText) {
    struct Case {
        HRESULT code;
        const char16_t* text;
    };
    const Case cases[] = {
        {REGDB_E_CLASSNOTREG, u"Class not registered\r\n"},
        {CLASS_E_CLASSNOTAVAILABLE, u"ClassFactory cannot supply requested class\r\n"},
        {CO_E_NOTINITIALIZED, u"CoInitialize has not been called.\r\n"},
        {CO_E_CLASSSTRING, u"Invalid class string\r\n"},
        {CO_E_ERRORINDLL, u"Error in the DLL\r\n"},
        {CO_E_OBJNOTREG, u"Object is not registered\r\n"},
        {RPC_E_CHANGED_MODE, u"Cannot change thread mode after it is set.\r\n"},
        {CO_E_SERVER_EXEC_FAILURE, u"Server execution failed\r\n"},
        {HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND), u"The specified module could not be found.\r\n"},
    };
    for (const Case& c : cases) {
        WCHAR buffer[256];
        DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                      static_cast<DWORD>(c.code), 0, buffer, 256, nullptr);
        EXPECT_EQ(std::u16string(buffer, length), c.text) << std::hex << c.code;
    }
}

}  // namespace
