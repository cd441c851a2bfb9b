// The admin tool's command line: a command, its positional arguments and its
// "--name value" options and "--flag" switches, in any order after the
// command.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vaultadmin {

struct CommandLine {
    std::string command;
    std::vector<std::string> arguments;
    std::map<std::string, std::string> options;  // by name without "--"
    std::set<std::string> switches;

    // The option's value, or nullopt when not given.
    std::optional<std::string> Option(const std::string& name) const;
    bool Has(const std::string& name) const { return switches.count(name) != 0; }
};

// Which names a command accepts.
struct CommandSyntax {
    std::size_t argumentCount;
    std::set<std::string> optionNames;  // take a value
    std::set<std::string> switchNames;  // stand alone
};

// Splits `args` (the command first) by `syntax`. Throws AdminError for an
// unknown option, an option without its value, a repeated option or a wrong
// number of arguments.
CommandLine ParseCommandLine(const std::vector<std::string>& args, const CommandSyntax& syntax);

}  // namespace vaultadmin
