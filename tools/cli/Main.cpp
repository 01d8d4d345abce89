#include "platform/Platform.h"
#include "tools/cli/Cli.h"

#include <iostream>

int main(int argc, char** argv) {
    std::vector<std::string> args = platform::ProgramArguments(argc, argv);
    if (!args.empty()) args.erase(args.begin());
    CliIo io{std::cout, std::cerr, platform::ReadSecretFromConsole};
    return RunCli(args, io);
}
