// The registrar: runs registration scripts - the text a server keeps for
// each of its classes - into the registry, to register or to unregister.
//
// A script names roots (HKCR, HKCU, HKLM, or HKEY_CLASSES_ROOT,
// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE), each with a block of key lines:
//
//   HKCR
//   {
//       NoRemove CLSID
//       {
//           ForceRemove {12345678-...} = s 'Widget Class'
//           {
//               InprocServer32 = s '%MODULE%'
//               {
//                   val ThreadingModel = s 'Apartment'
//               }
//               val Flags = d '1'
//           }
//       }
//       Delete OldName
//   }
//
// A line is `[ForceRemove | NoRemove] name [= type 'value'] [{ lines }]`,
// `val name = type 'value'` (a named value of the enclosing key) or
// `Delete name`. Types: s (text, REG_SZ) and d (REG_DWORD: decimal, or
// hexadecimal after 0x). Words are separated by white space; a name or value
// with spaces goes in single quotes, with '' for a quote. Keywords are read
// without regard to case, only unquoted. A name is one key (no backslash).
//
// %NAME% in any word is replaced by the value given to AddReplacement for
// NAME (names without regard to case; %% is a percent sign). A replaced
// value is taken as it is: a quote or a space in it never changes how the
// script reads.
//
// Registering: a key line creates the key (or opens it) and sets its default
// value; ForceRemove deletes the key with all its contents first, so that
// registering twice leaves one clean copy; `val` sets a value; `Delete`
// deletes the key with its contents.
// Unregistering: NoRemove keys stay (their lines inside are still undone);
// ForceRemove keys are deleted with all their contents; other keys lose
// their lines, then are deleted unless other sub-keys (someone else's) are
// left in them; `val` lines delete their value; `Delete` lines do nothing.
//
// The script is parsed completely before the registry is touched: a script
// with an error changes nothing. A registration that fails part-way (a key
// that cannot be written) undoes itself by unregistering the script. A run
// writes each hive it changes once (winapi/registry_write_batch.h), or joins
// the caller's batch.
#pragma once

#include "winapi/types.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace winapi {
class RegistryWriteBatch;
}

namespace com {

class Registrar {
public:
    // Adds or replaces the value of %name%.
    void AddReplacement(std::u16string_view name, std::u16string_view value);

    // S_OK; DISP_E_EXCEPTION when the script has an error (nothing is
    // changed), or the failure of the registry (as an HRESULT of its Win32
    // code). ErrorText() tells what went wrong.
    HRESULT Register(std::u16string_view script);
    // As Register; keys and values already missing are no failure. Undoes
    // as much as it can and returns the first failure.
    HRESULT Unregister(std::u16string_view script);

    // What the last Register or Unregister failed on: "line N: ..." for an
    // error in the script, the key or value for a failure of the registry.
    // Empty after a success.
    const std::u16string& ErrorText() const { return errorText_; }

private:
    // Ends the batch of a Register or Unregister that came to `hr`; a
    // failure to write the hives fails a run that succeeded.
    HRESULT Written(winapi::RegistryWriteBatch& batch, HRESULT hr);

    std::vector<std::pair<std::u16string, std::u16string>> replacements_;
    std::u16string errorText_;
};

}  // namespace com
