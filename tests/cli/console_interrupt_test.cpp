// SPDX-License-Identifier: MIT
// Windows only: a program stopped with Ctrl+C must leave the console in the code pages it
// found, not in UTF-8.
//
// The test sets the console to code page 936 (the Chinese ANSI page), starts itself again
// as a program that opens a console session (which switches to UTF-8) and then waits, sends
// Ctrl+C to the console once the switch is seen (the test itself takes it and goes on), and
// reads the code pages after the other program has ended.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "console.h"

namespace {

constexpr UINT kChinese = 936;

int child(int argc, char** argv) {
    const extcalc::cli::ConsoleSession session(argc, argv);
    // Stopped from outside; the destructor is never reached.
    Sleep(60000);
    return 3;
}

bool waitFor(UINT page) {
    for (int i = 0; i < 200; ++i) {
        if (GetConsoleOutputCP() == page && GetConsoleCP() == page) {
            return true;
        }
        Sleep(50);
    }
    return false;
}

BOOL WINAPI takeInterrupt(DWORD /*event*/) {
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--child") == 0) {
        return child(argc, argv);
    }
    // Run with its output in a pipe there is no console yet: make one, as a window would
    // have.
    if (GetConsoleOutputCP() == 0 && !AllocConsole()) {
        std::printf("no console can be made here\n");
        return 1;
    }
    if (!SetConsoleOutputCP(kChinese) || !SetConsoleCP(kChinese)) {
        std::printf("the console does not take code page %u\n", kChinese);
        return 1;
    }
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string command = std::string("\"") + self + "\" --child";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    // Not inherited, unlike ignoring Ctrl+C would be.
    SetConsoleCtrlHandler(takeInterrupt, TRUE);
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        std::printf("the child did not start\n");
        return 1;
    }
    if (!waitFor(CP_UTF8)) {
        std::printf("the child did not switch the console to UTF-8 (%u, %u)\n",
                    GetConsoleOutputCP(), GetConsoleCP());
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0)) {
        std::printf("Ctrl+C could not be sent\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0) {
        std::printf("the child did not end on Ctrl+C\n");
        TerminateProcess(process.hProcess, 1);
        return 1;
    }
    const UINT output = GetConsoleOutputCP();
    const UINT input = GetConsoleCP();
    std::printf("after Ctrl+C: output code page %u, input code page %u\n", output, input);
    return output == kChinese && input == kChinese ? 0 : 1;
}
