#include "command_line.h"

#include "vaultadmin/admin_error.h"

namespace vaultadmin {

std::optional<std::string> CommandLine::Option(const std::string& name) const {
    auto found = options.find(name);
    if (found == options.end()) return std::nullopt;
    return found->second;
}

CommandLine ParseCommandLine(const std::vector<std::string>& args, const CommandSyntax& syntax) {
    CommandLine line;
    if (args.empty()) throw AdminError("no command given");
    line.command = args[0];
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (argument.size() < 3 || argument.compare(0, 2, "--") != 0) {
            line.arguments.push_back(argument);
            continue;
        }
        const std::string name = argument.substr(2);
        if (syntax.switchNames.count(name)) {
            line.switches.insert(name);
        } else if (syntax.optionNames.count(name)) {
            if (i + 1 == args.size()) throw AdminError(argument + " needs a value");
            if (!line.options.emplace(name, args[++i]).second) throw AdminError(argument + " is given twice");
        } else {
            throw AdminError("unknown option " + argument + " for " + line.command);
        }
    }
    if (line.arguments.size() != syntax.argumentCount)
        throw AdminError(line.command + " takes " + std::to_string(syntax.argumentCount) + " argument" +
                         (syntax.argumentCount == 1 ? "" : "s") + ", not " + std::to_string(line.arguments.size()));
    return line;
}

}  // namespace vaultadmin
