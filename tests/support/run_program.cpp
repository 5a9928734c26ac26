// SPDX-License-Identifier: MIT
#include "run_program.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <process.h>
#include <windows.h>

#include <algorithm>
#include <thread>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

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
#ifdef _WIN32
    const int pid = _getpid();
#else
    const int pid = getpid();
#endif
    return std::filesystem::path(testing::TempDir()) /
           ("extcalc_" + std::to_string(pid) + "_" + std::to_string(counter++) + suffix);
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

#ifdef _WIN32
namespace {

std::wstring widened(const std::string& text) {
    if (text.empty()) {
        return {};
    }
    const int size =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring result(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), result.data(),
                        size);
    return result;
}

// One argument quoted so that CommandLineToArgvW and the C runtime split it back out
// unchanged: backslashes count only in front of a quote.
std::wstring argumentQuoted(const std::wstring& arg) {
    std::wstring q = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        q.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        backslashes = 0;
        q += c;
    }
    q.append(2 * backslashes, L'\\');
    return q + L"\"";
}

class Handle {
  public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    ~Handle() { close(); }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    Handle(Handle&&) = delete;
    Handle& operator=(Handle&&) = delete;
    HANDLE* out() { return &handle_; }
    HANDLE get() const { return handle_; }
    void close() {
        if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) {
            CloseHandle(handle_);
        }
        handle_ = INVALID_HANDLE_VALUE;
    }

  private:
    HANDLE handle_;
};

}  // namespace

// The program started directly, its standard output and error in files and its input
// a pipe, fed from `pipedFile` (or nothing) as cat does on Linux.
RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                     const std::string& pipedFile) {
    const std::filesystem::path base = scratchPath();
    std::filesystem::path outPath = base;
    outPath += ".out";
    std::filesystem::path errPath = base;
    errPath += ".err";
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const auto createFile = [&](const std::filesystem::path& path) {
        return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    Handle out(createFile(outPath));
    Handle err(createFile(errPath));
    Handle readEnd;
    Handle writeEnd;
    if (out.get() == INVALID_HANDLE_VALUE || err.get() == INVALID_HANDLE_VALUE ||
        CreatePipe(readEnd.out(), writeEnd.out(), &inherited, 0) == 0 ||
        SetHandleInformation(writeEnd.get(), HANDLE_FLAG_INHERIT, 0) == 0) {
        ADD_FAILURE() << "cannot redirect the standard streams of " << program;
        return {};
    }

    // The absolute path with backslashes: a path the tests were given in the form
    // /dir/x.exe is then found on the current drive.
    const std::wstring programPath =
        std::filesystem::absolute(std::filesystem::path(widened(program))).make_preferred();
    std::wstring command = argumentQuoted(programPath);
    for (const auto& arg : args) {
        command.append(L" ").append(argumentQuoted(widened(arg)));
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = readEnd.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process{};
    if (CreateProcessW(programPath.c_str(), command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &process) == 0) {
        ADD_FAILURE() << "cannot start " << program << " (error " << GetLastError() << ")";
        return {};
    }
    Handle processHandle(process.hProcess);
    Handle threadHandle(process.hThread);
    readEnd.close();
    out.close();
    err.close();

    // Fed from a thread: a table larger than the pipe's buffer would otherwise block
    // this side before the program is waited for.
    const std::string input = pipedFile.empty() ? std::string() : readFile(pipedFile);
    std::thread feeder([&input, &writeEnd] {
        std::size_t written = 0;
        while (written < input.size()) {
            DWORD chunk = 0;
            const auto size =
                static_cast<DWORD>(std::min<std::size_t>(input.size() - written, 65536));
            if (WriteFile(writeEnd.get(), input.data() + written, size, &chunk, nullptr) == 0) {
                break;  // the program stopped reading
            }
            written += chunk;
        }
        writeEnd.close();
    });
    WaitForSingleObject(processHandle.get(), INFINITE);
    feeder.join();

    RunResult result;
    DWORD exitCode = 0;
    result.exitCode =
        GetExitCodeProcess(processHandle.get(), &exitCode) != 0 ? static_cast<int>(exitCode) : -1;
    result.out = readFile(outPath);
    result.err = readFile(errPath);
    return result;
}
#else
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
#endif

}  // namespace extcalc::test
