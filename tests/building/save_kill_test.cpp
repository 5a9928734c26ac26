// SPDX-License-Identifier: MIT
// A save killed at a random moment, again and again, with a project of several
// megabytes: the file on the disk is always the whole previous project or the whole new
// one, and the next save leaves no temporary file behind.
//
//   extcalc_save_kill_test [KILLS]          the test (KILLS defaults to 200)
//   extcalc_save_kill_test --save FROM TO   saves FROM's bytes as TO, after a "ready" byte
//
// The second form is the program that is killed; the test starts it as a process of its
// own, since only a real SIGKILL stops a save where a crash or a power cut would.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "extcalc/project.h"

namespace fs = std::filesystem;

namespace {

int gKills = 200;

std::string readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// About five megabytes of a real project: the same building, twice, with different areas.
extcalc::building::Project bigProject(int variant) {
    extcalc::building::Project project;
    project.info.name = variant == 0 ? "大型综合体（旧）" : "大型综合体（新）";
    for (int i = 0; project.units.size() < 20000; ++i) {
        project.units.push_back({"第 " + std::to_string(i + 1) + " 层 防火分区 " +
                                     std::to_string(i % 7 + 1) + " 办公及库房",
                                 "A", "", "中危险级", "1.0", "否",
                                 std::to_string(100 + (i * 37 + variant * 11) % 1900), "2",
                                 "MF/ABC4"});
    }
    return project;
}

std::vector<fs::path> leftovers(const fs::path& target) {
    std::vector<fs::path> found;
    const std::string prefix =
        target.filename().string() + std::string(extcalc::building::kSavingInfix);
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) {
            found.push_back(entry.path());
        }
    }
    return found;
}

struct Saver {
    pid_t pid = -1;
    int ready = -1;  // the pipe the saver writes its "ready" byte into
};

// Starts a saver and waits until it holds the new text in memory, about to save it.
Saver startSaver(const fs::path& from, const fs::path& to) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl("/proc/self/exe", "extcalc_save_kill_test", "--save", from.c_str(), to.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    char byte = 0;
    EXPECT_EQ(read(fds[0], &byte, 1), 1) << "the saver did not start";
    return {pid, fds[0]};
}

int finish(const Saver& saver, bool kill) {
    if (kill) {
        ::kill(saver.pid, SIGKILL);
    }
    int status = 0;
    waitpid(saver.pid, &status, 0);
    close(saver.ready);
    return status;
}

TEST(SaveKilled, ProjectIsAlwaysOldOrNewAndNextSaveLeavesNoTemporaryFile) {
    const fs::path folder =
        fs::path(testing::TempDir()) / ("extcalc-save-kill-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    const fs::path target = folder / "大型综合体.exdesign";
    const std::string texts[2] = {extcalc::building::projectJson(bigProject(0)),
                                  extcalc::building::projectJson(bigProject(1))};
    ASSERT_GT(texts[0].size(), 5U << 20U);
    ASSERT_NE(texts[0], texts[1]);
    const fs::path sources[2] = {folder / "source-0", folder / "source-1"};
    for (int i = 0; i < 2; ++i) {
        std::ofstream(sources[i], std::ios::binary) << texts[i];
    }
    ASSERT_FALSE(extcalc::building::writeFileSafely(target, texts[0]));

    // How long a whole save takes here, so that the kills fall before, in and after it.
    const Saver whole = startSaver(sources[1], target);
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(finish(whole, false), 0);
    const auto saveTime = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    ASSERT_EQ(readAll(target), texts[1]);
    int current = 1;

    std::mt19937 random(20260101U);
    std::uniform_int_distribution<long long> delay(0, saveTime.count() * 5 / 4);
    int oldSeen = 0;
    int newSeen = 0;
    int cleaned = 0;
    for (int kill = 0; kill < gKills; ++kill) {
        const int next = 1 - current;
        const Saver saver = startSaver(sources[next], target);
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        finish(saver, true);

        const std::string onDisk = readAll(target);
        if (onDisk == texts[next]) {
            ++newSeen;
            current = next;
        } else {
            ASSERT_EQ(onDisk.size(), texts[current].size()) << "after kill " << kill;
            ASSERT_TRUE(onDisk == texts[current]) << "neither the old nor the new project";
            ++oldSeen;
        }
        if (!leftovers(target).empty()) {
            // The next save of the file, by a program that is not killed.
            ++cleaned;
            ASSERT_FALSE(extcalc::building::writeFileSafely(target, texts[1 - current]));
            current = 1 - current;
            EXPECT_TRUE(leftovers(target).empty()) << "after kill " << kill;
            ASSERT_EQ(readAll(target), texts[current]);
        }
    }
    std::printf(
        "%d kills in a save of %lld µs: %d left the old file, %d the new one, "
        "%d left a temporary file behind\n",
        gKills, static_cast<long long>(saveTime.count()), oldSeen, newSeen, cleaned);
    // Kills that all fell after the rename would prove nothing.
    EXPECT_GT(oldSeen, 0);
    EXPECT_GT(cleaned, 0);
    fs::remove_all(folder);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--save") {
        const std::string text = readAll(argv[2]);
        std::fputc('r', stdout);
        std::fflush(stdout);
        return extcalc::building::writeFileSafely(argv[3], text) ? 1 : 0;
    }
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) {
        gKills = std::stoi(argv[1]);
    }
    return RUN_ALL_TESTS();
}
