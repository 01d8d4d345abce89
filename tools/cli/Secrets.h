// Arguments with options, and passwords read from a file or the terminal
// (never from the command line, where other users and the shell history
// would see them).
#pragma once

#include "model/base/CString.h"
#include "tools/cli/Cli.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace cli {

struct Arguments {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;

    bool Has(const std::string& flag) const { return flags.count(flag) != 0; }
    // Empty when the option was not given.
    std::string Value(const std::string& option) const;
};

// Splits args into positional arguments and the given options; false with a
// problem for the usage message when an option is unknown or lacks its value.
bool ParseArguments(const std::vector<std::string>& args, const std::set<std::string>& valueOptions,
                    const std::set<std::string>& flagOptions, Arguments& parsed, std::string& problem);

enum class SecretRead {
    kGot,
    kUnavailable,  // no file named and no terminal to ask
    kFailed,       // the file named cannot be read (reported)
};

// The first line of file when one is named (without its line break and a
// leading byte-order mark), else asked for on the terminal without echo. A
// password longer than the 31 characters that count is refused (kFailed,
// reported).
SecretRead ReadPassword(CliIo& io, const std::string& file, const std::string& prompt, CString& password);

}  // namespace cli
