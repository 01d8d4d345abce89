// Runs quorrel-cli in the test's own process, as its main does, with the
// answers to its password prompts given in advance.
#pragma once

#include "tools/cli/Cli.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>
#include <string>
#include <vector>

struct CliResult {
    int status;
    std::string out, err;
};

// typed holds the answers to the password prompts in order; once none is
// left, there is no terminal to ask. Every answer given must be asked for.
inline CliResult RunCliWith(const std::vector<std::string>& args, std::deque<std::string> typed = {}) {
    std::ostringstream out, err;
    CliIo io{out, err, [&](const std::string&, std::string& secret) {
                 if (typed.empty()) return false;
                 secret = typed.front();
                 typed.pop_front();
                 return true;
             }};
    int status = RunCli(args, io);
    EXPECT_TRUE(typed.empty()) << "unanswered prompts left after " << (args.empty() ? "" : args[0]);
    return {status, out.str(), err.str()};
}
