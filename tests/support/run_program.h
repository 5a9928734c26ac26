// SPDX-License-Identifier: MIT
#pragma once

// Runs a built program the way a user's shell would, for end-to-end tests.

#include <filesystem>
#include <string>
#include <vector>

namespace extcalc::test {

struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// A fresh path in the test's temporary folder; `suffix` is appended to its name.
std::filesystem::path scratchPath(const std::string& suffix = {});

// `arg` quoted for the shell, as one word.
std::string shellQuoted(const std::string& arg);

std::string readFile(const std::filesystem::path& path);

// `program` with `args`, each passed as one argument. `pipedFile`, when given, goes in
// through a pipe (cat on Linux), so that the program reads a pipe and not a file.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& pipedFile = {});

// The records of a CSV text, each as its fields; a text the reader refuses fails the test.
std::vector<std::vector<std::string>> csvRows(const std::string& text);

}  // namespace extcalc::test
