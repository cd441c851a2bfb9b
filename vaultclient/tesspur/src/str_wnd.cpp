#include "tesspur/str_wnd.h"

#include "common/settings_light.h"
#include "winapi/handles.h"
#include "winapi/process.h"
#include "winapi/shell_paths.h"

#include <string>

bool StrWnd::mzbShowHelp(HWND /*owner*/, const WCHAR* topic, const WCHAR* section, int /*flags*/) {
    SettingsLight settings;
    std::u16string viewer = settings.goGetLocation(kHelpViewer);
    std::u16string helpFile = settings.goGetLocation(kHelpFile);
    if (viewer.empty() || helpFile.empty() || !PathFileExistsW(helpFile.c_str())) return false;
    std::u16string line = u"\"" + viewer + u"\" \"" + helpFile + u"::/" + (section ? section : u"") + u"/" +
                          (topic ? topic : u"") + u".htm\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(viewer.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return false;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}
