// Processes: starting programs, waiting for them, their exit codes.
//
// A program named "Name.exe" is the executable "Name" here (or a file really
// called "Name.exe"); CreateProcessW looks it up where it is named, then
// beside the running program (the folder where every program of the build
// lands), then, for a bare name, along PATH.
//
// A process handle is a kernel handle (CloseHandle releases it); it is
// signalled when the process has ended, and its exit code stays readable
// until the last handle to it is closed.
#pragma once

#include "winapi/handles.h"
#include "winapi/types.h"

// Creation flags. Priority classes and console/window choices have no
// meaning here and are accepted; suspended and debugged starts are refused.
#define DEBUG_PROCESS 0x00000001u
#define DEBUG_ONLY_THIS_PROCESS 0x00000002u
#define CREATE_SUSPENDED 0x00000004u
#define DETACHED_PROCESS 0x00000008u
#define CREATE_NEW_CONSOLE 0x00000010u
#define NORMAL_PRIORITY_CLASS 0x00000020u
#define IDLE_PRIORITY_CLASS 0x00000040u
#define HIGH_PRIORITY_CLASS 0x00000080u
#define CREATE_NEW_PROCESS_GROUP 0x00000200u
#define CREATE_UNICODE_ENVIRONMENT 0x00000400u
#define BELOW_NORMAL_PRIORITY_CLASS 0x00004000u
#define ABOVE_NORMAL_PRIORITY_CLASS 0x00008000u
#define CREATE_DEFAULT_ERROR_MODE 0x04000000u
#define CREATE_NO_WINDOW 0x08000000u

// STARTUPINFOW.dwFlags
#define STARTF_USESHOWWINDOW 0x00000001u
#define STARTF_USESTDHANDLES 0x00000100u

// Access rights of OpenProcess.
#define PROCESS_TERMINATE 0x0001u
#define PROCESS_QUERY_INFORMATION 0x0400u
#define PROCESS_QUERY_LIMITED_INFORMATION 0x1000u
#ifndef SYNCHRONIZE
#define SYNCHRONIZE 0x00100000u
#endif
#define PROCESS_ALL_ACCESS 0x001FFFFFu

// The exit code of a process that is still running.
#define STILL_ACTIVE 259u

struct STARTUPINFOW {
    DWORD cb;
    LPWSTR lpReserved;
    LPWSTR lpDesktop;
    LPWSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    LPBYTE lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
// Callers fill in cb with this size.
static_assert(sizeof(STARTUPINFOW) == 104);
typedef STARTUPINFOW* LPSTARTUPINFOW;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
typedef PROCESS_INFORMATION* LPPROCESS_INFORMATION;

// Starts a program. The program is `applicationName` when given, else the
// first argument of `commandLine`; the child's arguments are `commandLine`
// split by the command-line rules (winapi/command_line.h), or the
// application name alone when the line is empty. `environment` (a block of
// "name=value" strings ending in an empty one, UTF-16 with
// CREATE_UNICODE_ENVIRONMENT) replaces the inherited environment;
// `currentDirectory` is the child's working folder. Without
// `inheritHandles` the child gets only standard input, output and error.
// Standard handles in `startupInfo` (STARTF_USESTDHANDLES) are not supported.
// Failures are reported here, before any child runs: ERROR_FILE_NOT_FOUND,
// ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT, ERROR_DIRECTORY (no such
// working folder), ERROR_INVALID_PARAMETER, ERROR_NOT_SUPPORTED.
BOOL WINAPI CreateProcessW(LPCWSTR applicationName, LPWSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                           LPVOID environment, LPCWSTR currentDirectory, LPSTARTUPINFOW startupInfo,
                           LPPROCESS_INFORMATION processInformation);

// A handle to a running process by its id (any of this user's processes;
// a child started here shares its state with the handle CreateProcessW
// returned). ERROR_INVALID_PARAMETER when there is no such process.
HANDLE WINAPI OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);

// STILL_ACTIVE while the process runs, then its exit code: the low 8 bits
// of the code it passed to exit (all an exit status holds here), the code
// given to TerminateProcess, or 128 + the signal number when a signal
// ended it. Only the exit code of a process started here is known; for
// another process that ended the call fails with ERROR_NOT_SUPPORTED.
BOOL WINAPI GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// Kills the process at once (SIGKILL: it runs no clean-up); its exit code
// becomes `exitCode`. ERROR_ACCESS_DENIED when it has ended already.
BOOL WINAPI TerminateProcess(HANDLE process, UINT exitCode);

// Ends this process at once with the code's low 8 bits: standard C output
// is flushed, but atexit handlers and static destructors do not run,
// because the other threads of the process go on running meanwhile.
[[noreturn]] void WINAPI ExitProcess(UINT exitCode);
