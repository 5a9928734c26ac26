// SPDX-License-Identifier: MIT
#include "console.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>
#endif

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <iostream>
#include <memory>

namespace extcalc::cli {
namespace {

// The argv-like view CLI11 takes, onto strings that live as long as the session.
std::vector<const char*> pointersTo(const std::vector<std::string>& arguments) {
    std::vector<const char*> pointers(arguments.size());
    std::transform(arguments.begin(), arguments.end(), pointers.begin(),
                   [](const std::string& argument) { return argument.c_str(); });
    return pointers;
}

}  // namespace

#ifdef _WIN32
namespace {

std::string narrowed(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) {
        return {};
    }
    std::string result(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, result.data(), size, nullptr, nullptr);
    result.pop_back();  // the terminating zero
    return result;
}

// The code pages to put back, for the console control handler, which Windows runs on a
// thread of its own: Ctrl+C, Ctrl+Break or the console window closed end the program
// without the destructor, and would leave the user's console in UTF-8.
std::atomic<UINT> gOutputCodePage{0};
std::atomic<UINT> gInputCodePage{0};

void restoreCodePages() {
    if (const UINT page = gOutputCodePage.exchange(0); page != 0) {
        SetConsoleOutputCP(page);
    }
    if (const UINT page = gInputCodePage.exchange(0); page != 0) {
        SetConsoleCP(page);
    }
}

BOOL WINAPI restoreOnInterrupt(DWORD /*event*/) {
    restoreCodePages();
    return FALSE;  // the default handler then ends the program as before
}

}  // namespace

ConsoleSession::ConsoleSession(int argc, char** argv)
    : outputCodePage_(GetConsoleOutputCP()), inputCodePage_(GetConsoleCP()) {
    gOutputCodePage = outputCodePage_;
    gInputCodePage = inputCodePage_;
    SetConsoleCtrlHandler(restoreOnInterrupt, TRUE);
    // Zero when there is no console (output into a file or pipe): nothing to switch.
    if (outputCodePage_ != 0) {
        SetConsoleOutputCP(CP_UTF8);
    }
    if (inputCodePage_ != 0) {
        SetConsoleCP(CP_UTF8);
    }
    // Tables carry their own CR LF; the runtime must not add another CR nor drop one.
    for (std::FILE* stream : {stdin, stdout, stderr}) {
        _setmode(_fileno(stream), _O_BINARY);
    }
    int count = 0;
    const std::unique_ptr<LPWSTR, decltype(&LocalFree)> wide(
        CommandLineToArgvW(GetCommandLineW(), &count), &LocalFree);
    if (wide) {
        for (int i = 0; i < count; ++i) {
            arguments_.push_back(narrowed(wide.get()[i]));
        }
    } else {
        arguments_.assign(argv, argv + argc);
    }
    pointers_ = pointersTo(arguments_);
}

ConsoleSession::~ConsoleSession() {
    // Out in UTF-8 before the code pages go back; the streams would only be flushed
    // at exit otherwise, after this.
    std::cout.flush();
    std::cerr.flush();
    std::fflush(stdout);
    std::fflush(stderr);
    SetConsoleCtrlHandler(restoreOnInterrupt, FALSE);
    restoreCodePages();
}
#else
ConsoleSession::ConsoleSession(int argc, char** argv)
    : arguments_(argv, argv + argc), pointers_(pointersTo(arguments_)) {}

ConsoleSession::~ConsoleSession() = default;
#endif

std::filesystem::path pathFromUtf8(const std::string& text) {
    return {std::u8string(text.begin(), text.end())};
}

}  // namespace extcalc::cli
