// One language file: the translated texts of one file of one language, as
// the string manager and the message-text component read them.
//
// Where: <language folder>\<language>\<file>.txt, for example
// "LanFiles\DE\ZENTRAVIKO VYL.txt" (see tesspur/language_files.h).
//
// Format: UTF-8 text (a leading byte-order mark is allowed), one entry a line:
//
//   category|section|number=text
//
//   TS|Halvaran|45=Start von %s fehlgeschlagen
//   TS||47=Bereit                      (no section)
//   StrWnd|StrWnd|2=Abbrechen
//
// - category and section are compared without regard to case; an empty
//   section stands for the callers' "no section" (null);
// - number is a decimal integer (a minus sign allowed), without spaces;
// - text is everything after the first '=' that follows the number, kept as
//   written except for the escapes \n (line feed), \t (tab) and \\ (a
//   backslash); any other backslash stays as it is;
// - lines may end in CR LF; empty lines and lines starting with '#' or ';'
//   are comments;
// - a line that does not follow the format (no two '|', a bad number, no
//   '=', ill-formed UTF-8) is skipped, and the rest of the file still counts;
// - when an entry appears twice, the later line wins.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <tuple>

namespace tesspur {

class LanguageFile {
public:
    // The entries of a file's content; malformed lines are skipped.
    static LanguageFile Parse(std::string_view content);

    // The text of the entry, or null when the file has none. A null
    // section is the empty one. The pointer stays valid for the life of
    // this object (entries are never changed once parsed).
    const std::u16string* Find(std::u16string_view category, std::u16string_view section, long number) const;

    size_t EntryCount() const { return texts_.size(); }
    // Lines skipped as malformed, for diagnostics and tests.
    size_t SkippedLines() const { return skipped_; }

private:
    // Category and section case-folded, so that lookups ignore case.
    using Key = std::tuple<std::u16string, std::u16string, long>;

    bool ParseLine(std::string_view line);

    std::map<Key, std::u16string> texts_;
    size_t skipped_ = 0;
};

}  // namespace tesspur
