// The callback class the login dialog library (Pruvane) receives from the
// login server: the library asks it for the vault name and has the user's
// credentials checked through it.
//
// This class is the interface between two separately built modules: the
// library calls it through its virtual table only, so the virtual functions
// below and their order are fixed. The table holds eleven slots:
//
//   slot  function               behaviour of the login server's host
//    0    Reserved0              returns 0
//    1    GetOptionA(value)      writes 0 to *value, returns 0
//    2    GetOptionB(value)      writes 0 to *value, returns 0
//    3    GetVaultName           the vault name, see below
//    4    GetOptionC(value)      writes 0 to *value, returns 0
//    5    Reserved5              does nothing
//    6    IsAvailable            returns true
//    7    ConnectAndVerify       checks user name and password, see below
//    8    Reserved8              does nothing
//    9    Reserved9              does nothing
//   10    ConnectAndVerifyAgain  calls slot 7 with the same arguments
//
// The host's class adds its virtual destructor after slot 10; the library
// never destroys the host (the login server owns it), so this class has no
// virtual destructor of its own and cannot be deleted through.
//
// Only this header is shared: the library includes it and links nothing of
// the login server.
#pragma once

#include "winapi/types.h"

// Results of ConnectAndVerify (and of slot 10).
enum LoginCheckResult : int {
    kLoginCheckFailed = 0,            // not checked; any message is shown already
    kLoginCheckAccepted = 1,          // the host holds a verified connection
    kLoginCheckDatabaseFailure = 3,   // the database could not be opened or verified
    kLoginCheckWrongCredentials = 8,  // wrong user name or password; nothing shown
};

class LoginDialog {
public:
    LoginDialog() = default;
    LoginDialog(const LoginDialog&) = delete;
    LoginDialog& operator=(const LoginDialog&) = delete;

    // Slot 0.
    virtual int Reserved0() { return 0; }
    // Slots 1, 2 and 4: options the library may ask about; the host answers
    // 0 for each (a null pointer is ignored).
    virtual int GetOptionA(USHORT* value) { return ClearOption(value); }
    virtual int GetOptionB(USHORT* value) { return ClearOption(value); }
    // Slot 3: copies the vault name into `buffer` of `length` characters:
    // at most length - 1 characters, and buffer[length - 1] = 0. A length of
    // 0 or less writes nothing. Returns 0.
    virtual int GetVaultName(WCHAR* buffer, int length) = 0;
    // Slot 4.
    virtual int GetOptionC(USHORT* value) { return ClearOption(value); }
    // Slot 5.
    virtual void Reserved5() {}
    // Slot 6.
    virtual bool IsAvailable() { return true; }
    // Slot 7: checks the user name and password (null means empty) and, when
    // they are right, keeps a verified database connection in the host.
    // `context` is not read. Returns a LoginCheckResult.
    virtual int ConnectAndVerify(INT_PTR context, LPCWSTR userName, LPCWSTR password) = 0;
    // Slots 8 and 9.
    virtual void Reserved8() {}
    virtual void Reserved9() {}
    // Slot 10.
    virtual int ConnectAndVerifyAgain(INT_PTR context, LPCWSTR userName, LPCWSTR password) {
        return ConnectAndVerify(context, userName, password);
    }

protected:
    ~LoginDialog() = default;

private:
    static int ClearOption(USHORT* value) {
        if (value != nullptr) *value = 0;
        return 0;
    }
};

// The export of the login dialog library: shows the dialog for `host` with
// `parent` as owner window. The two buffers (with their lengths in
// characters) are the library's to use; the caller does not read them.
// Returns 0 when the dialog failed, 1 when the user logged in, 2 when the
// user cancelled, 3 on a database failure.
extern "C" {
typedef int (*ShowPruvaneFunction)(HWND parent, LoginDialog* host, WCHAR* buffer1, int length1, WCHAR* buffer2,
                                   int length2);
}
inline constexpr const char* kShowPruvaneExport = "geShowPruvane";

// The dialog library's results.
enum LoginDialogResult : int {
    kLoginDialogFailed = 0,
    kLoginDialogAccepted = 1,
    kLoginDialogCancelled = 2,
    kLoginDialogDatabaseFailure = 3,
};
