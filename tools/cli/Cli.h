// quorrel-cli: a console companion over the same core as the program. The
// commands run in-process through RunCli, so the tests drive them directly.
#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

struct CliIo {
    std::ostream& out;
    std::ostream& err;
    // Asks for a secret (a password) without echo; false when none can be read.
    std::function<bool(const std::string& prompt, std::string& secret)> readSecret;
    // Set by a command once its change is in the file, so that memory that
    // runs out after it (while the report is written) is not told as a
    // change not made.
    bool changed = false;
};

// Exit status: 0 success, 1 failure (one line on err), 2 usage error.
int RunCli(const std::vector<std::string>& args, CliIo& io);

namespace cli {

constexpr int kSuccess = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

int Fail(CliIo& io, const std::string& message);
int Usage(CliIo& io, const std::string& message);

int Init(const std::vector<std::string>& args, CliIo& io);
int Dump(const std::vector<std::string>& args, CliIo& io);
int Check(const std::vector<std::string>& args, CliIo& io);
int List(const std::vector<std::string>& args, CliIo& io);
int Import(const std::vector<std::string>& args, CliIo& io);
int Export(const std::vector<std::string>& args, CliIo& io);
int Passwd(const std::vector<std::string>& args, CliIo& io);
int Gen(const std::vector<std::string>& args, CliIo& io);
int Salvage(const std::vector<std::string>& args, CliIo& io);
// Exits as grep does: 0 when a record matched, 1 when none, 2 on any error.
int Find(const std::vector<std::string>& args, CliIo& io);

}  // namespace cli
