#include "tools/cli/Cli.h"

#include <new>

namespace cli {

namespace {

constexpr const char* kUsageText =
    "usage: quorrel-cli COMMAND ARGUMENTS\n"
    "  init PATH                     create a new database as the program's first start does\n"
    "  dump PATH                     show the header and every entry in key order\n"
    "  check PATH                    walk the whole file and say whether it is sound\n"
    "  list PATH [--category NAME]   one line per record, protected values masked\n"
    "  find PATH TEXT [--password-file FILE | --locked]\n"
    "                                the records with a value containing TEXT (case ignored), as list shows them\n"
    "  import PATH CSV [--password-file FILE]\n"
    "                                add the records of a comma-separated UTF-8 file, or the\n"
    "                                export of a browser or password manager (told by its header)\n"
    "  export PATH CSV [--password-file FILE | --locked] [--format quorrel|browser]\n"
    "                                write every record to a comma-separated UTF-8 file, or\n"
    "                                the logins as a browser imports them (--format browser)\n"
    "  passwd PATH [--password-file FILE] [--new-password-file FILE]\n"
    "                                add, change or remove the master password\n"
    "  gen [--length N] [--upper] [--lower] [--digits] [--punct]\n"
    "                                generate a password (default: 16 characters, upper, lower, digits)\n"
    "  salvage DAMAGED NEW [--password-file FILE]\n"
    "                                copy what can still be read from a damaged database into a new one\n"
    "Passwords are asked for at the terminal without echo, or read from the first\n"
    "line of the FILE given; never from the command line.\n";

struct Command {
    const char* name;
    int (*run)(const std::vector<std::string>&, CliIo&);
};

constexpr Command kCommands[] = {
    {"init", Init},     {"dump", Dump},     {"check", Check}, {"list", List},       {"import", Import},
    {"export", Export}, {"passwd", Passwd}, {"gen", Gen},     {"salvage", Salvage}, {"find", Find},
};

}  // namespace

int Fail(CliIo& io, const std::string& message) {
    io.err << "quorrel-cli: " << message << "\n";
    return kFailure;
}

int Usage(CliIo& io, const std::string& message) {
    if (!message.empty()) io.err << "quorrel-cli: " << message << "\n";
    io.err << kUsageText;
    return kUsage;
}

}  // namespace cli

int RunCli(const std::vector<std::string>& args, CliIo& io) {
    if (args.empty()) return cli::Usage(io, "");
    if (args[0] == "--help" || args[0] == "help") {
        io.out << cli::kUsageText;
        return cli::kSuccess;
    }
    for (const auto& command : cli::kCommands) {
        if (args[0] != command.name) continue;
        // Memory running out is the one failure that arrives as an exception;
        // the open transaction is rolled back as the stack unwinds.
        try {
            return command.run({args.begin() + 1, args.end()}, io);
        } catch (const std::bad_alloc&) {
            return cli::Fail(io, io.changed ? "out of memory after the change was written; the change was made"
                                            : "out of memory; nothing was changed");
        }
    }
    return cli::Usage(io, "unknown command '" + args[0] + "'");
}
