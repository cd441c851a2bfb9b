// Where a path in the system's own form meets the Linux file system.
//
// The system keeps paths as it was written to ("C:\Data\a.ini",
// "\\?\C:\Data", "\<items>\Folder\"); the layer's file functions turn them
// into POSIX paths here, at the file-system boundary, and nowhere else:
//  - '\' and '/' both separate; the POSIX path uses '/';
//  - "X:\rest" (also "X:rest" and "X:") lands below DriveRoot('x') of the
//    state root, so drive paths stay inside the private machine; that
//    folder is made when a path first names it, as a drive's root always
//    exists;
//  - a path that starts with a separator is an absolute Linux path;
//  - any other path stays relative to the current directory;
//  - a leading "\\?\" (the platform's long-path prefix) is dropped.
// A "\\server\share" path has no meaning here and is read as the absolute
// path "/server/share". A backslash inside a Linux file name cannot be named.
//
// Names on disk are case-sensitive here, unlike on the platform: "A.txt" and
// "a.txt" are two files. The system's own case-insensitive comparisons of
// paths stay its own business; the file functions never fold case, except
// where a wildcard search matches names as the platform does.
#pragma once

#include <string>
#include <string_view>

namespace winapi {

// The POSIX path for a path in the system's form, by the rules above.
std::string ToPosixPath(std::u16string_view windowsPath);

// A POSIX path handed back to the system: the same text in UTF-16, '/'
// separators kept (the system's path helpers take both separators, and
// ToPosixPath gives the same path back).
std::u16string FromPosixPath(std::string_view posixPath);

// The path with its "." and ".." elements resolved as text, the way the
// platform normalises a full path: "." goes, ".." takes the element before
// it, and nothing climbs above the root ("X:\", a leading separator); a
// relative path keeps the ".." it cannot resolve. Repeated separators become
// one; each kept separator keeps its character; a trailing separator stays.
std::u16string CollapseDotSegments(std::u16string_view path);

}  // namespace winapi
