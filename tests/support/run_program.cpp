// SPDX-License-Identifier: MIT
#include "run_program.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "extcalc/csv.h"

namespace extcalc::test {
std::vector<std::vector<std::string>> csvRows(const std::string& text) {
    std::istringstream in(text);
    csv::Reader reader(in);
    csv::Record record;
    std::vector<std::vector<std::string>> rows;
    while (reader.next(record)) {
        rows.emplace_back(record.fields().begin(), record.fields().end());
    }
    EXPECT_FALSE(reader.failure().has_value());
    return rows;
}

std::string shellQuoted(const std::string& arg) {
    std::string q = "'";
    for (const char c : arg) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

std::filesystem::path scratchPath(const std::string& suffix) {
    static int counter = 0;
    return std::filesystem::path(testing::TempDir()) /
           ("extcalc_" + std::to_string(getpid()) + "_" + std::to_string(counter++) + suffix);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& pipedFile) {
    const std::string base = scratchPath().string();
    // Appended piece by piece: GCC 12 misreads "literal" + std::string&& when optimising.
    std::string command;
    if (!pipedFile.empty()) {
        command.append("cat ").append(shellQuoted(pipedFile)).append(" | ");
    }
    command.append(shellQuoted(program));
    for (const auto& arg : args) {
        command.append(" ").append(shellQuoted(arg));
    }
    command.append(" >").append(shellQuoted(base + ".out"));
    command.append(" 2>").append(shellQuoted(base + ".err"));
    const int status = std::system(command.c_str());
    RunResult result;
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = readFile(base + ".out");
    result.err = readFile(base + ".err");
    return result;
}

}  // namespace extcalc::test
