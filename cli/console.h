// SPDX-License-Identifier: MIT
#pragma once

// The console and the standard streams as the program expects them on every system:
// text in UTF-8, arguments in UTF-8, and bytes written and read unchanged. Linux gives
// that as it is; Windows needs the console's code pages switched and the C runtime's
// newline translation turned off, which is what this undoes again on the way out.

#include <filesystem>
#include <string>
#include <vector>

namespace extcalc::cli {

class ConsoleSession {
  public:
    // `argc` and `argv` as main received them; on Windows those are in the ANSI code
    // page, so the arguments are taken from the wide command line instead.
    ConsoleSession(int argc, char** argv);
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;
    ConsoleSession(ConsoleSession&&) = delete;
    ConsoleSession& operator=(ConsoleSession&&) = delete;

    // The program's arguments in UTF-8, the program's name first.
    [[nodiscard]] int argc() const { return static_cast<int>(pointers_.size()); }
    [[nodiscard]] const char* const* argv() const { return pointers_.data(); }

  private:
#ifdef _WIN32
    // The console's code pages before the program switched them to UTF-8.
    unsigned outputCodePage_ = 0;
    unsigned inputCodePage_ = 0;
#endif
    std::vector<std::string> arguments_;
    std::vector<const char*> pointers_;
};

// A path given in UTF-8 (an argument, a cell of a table). A plain std::string would be
// read in the ANSI code page on Windows, which cannot hold most Chinese names.
std::filesystem::path pathFromUtf8(const std::string& text);

}  // namespace extcalc::cli
