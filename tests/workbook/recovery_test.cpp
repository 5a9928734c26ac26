// SPDX-License-Identifier: MIT
// Recovery copies: one per open project, never written over nor taken away by another
// window or program, offered again after a session that ended badly, and written by
// the timer while the project has unsaved changes.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLockFile>
#include <QPointer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <deque>
#include <fstream>
#include <map>
#include <memory>
#include <set>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "extcalc/project.h"
#include "recovery.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;
using workbook::RecoveryCopy;
using workbook::StaleCopy;
using workbook::WorkbookWindow;

constexpr int kArea = 6;  // 建筑面积 of GB 50140-2005

Project sample(const std::string& name) {
    Project project;
    project.info.name = name;
    project.units = {{"一层 大厅", "A", "", "中危险级", "1.0", "否", "300", "1", "MF/ABC4"},
                     {"配电室", "E", "B", "中危险级", "1.0", "否", "80", "1", "MT5"}};
    for (auto& unit : project.units) {
        unit.resize(building::inputColumns(project.standard).size());
    }
    return project;
}

Project readCopy(const QString& path) {
    building::ProjectRead read = building::readProjectFile(path.toStdString());
    EXPECT_TRUE(read.project.has_value()) << path.toStdString();
    return read.project.value_or(Project{});
}

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

std::optional<Project> nothing() {
    return std::nullopt;
}

class Recovery : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        folder = dir.filePath(QStringLiteral("recovery"));
        qputenv("EXTINGUISHER_DESIGN_RECOVERY_DIR", folder.toUtf8());
    }

    void TearDown() override {
        // Deleting one window deletes its own top-level children, so not by the list itself.
        std::vector<QPointer<WorkbookWindow>> open;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<WorkbookWindow*>(widget)) {
                open.emplace_back(window);
            }
        }
        for (const QPointer<WorkbookWindow>& window : open) {
            delete window.data();
        }
    }

    QString project(const QString& relative, const std::string& name) {
        QString path = dir.filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        std::ofstream(path.toStdString(), std::ios::binary) << building::projectJson(sample(name));
        return path;
    }

    // A window whose questions are answered from `replies`, Ok once they run out.
    WorkbookWindow* makeWindow() {
        auto* made = new WorkbookWindow([this](QWidget*, const Message& m) {
            shown.emplace_back(m.text);
            const Answer reply = replies.empty() ? Answer::Ok : replies.front();
            if (!replies.empty()) {
                replies.pop_front();
            }
            return reply;
        });
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(made));
        return made;
    }

    static void typeIntoCell(WorkbookWindow* window, int row, int column, const QString& text) {
        QTableView* table = window->table();
        window->activateWindow();
        table->setFocus();
        table->setCurrentIndex(window->model()->index(row, column));
        QTest::keyClick(table, Qt::Key_F2);
        auto* editor = table->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
        ASSERT_NE(editor, nullptr);
        typeInto(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        QCoreApplication::processEvents();
    }

    static QString area(WorkbookWindow* window, int row) {
        return window->model()->index(row, kArea).data().toString();
    }

    static std::vector<WorkbookWindow*> windows() {
        std::vector<WorkbookWindow*> found;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<WorkbookWindow*>(widget);
                window && window->isVisible()) {
                found.push_back(window);
            }
        }
        return found;
    }

    // The window, gone without its clean close: what a crash leaves.
    static void crash(WorkbookWindow* window) {
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        delete window;
    }

    QTemporaryDir dir;
    QString folder;
    std::vector<std::string> shown;
    std::deque<Answer> replies;
};

// ---- the slots of the copies

struct TwoProjects {
    const char* name;
    const char* first;  // empty: never saved
    const char* second;
};

class RecoverySlots : public Recovery, public ::testing::WithParamInterface<TwoProjects> {};

TEST_P(RecoverySlots, TwoOpenProjectsNeverShareACopy) {
    const TwoProjects& c = GetParam();
    const auto pathOf = [this](const char* relative) {
        return *relative == '\0' ? QString() : dir.filePath(QString::fromUtf8(relative));
    };
    RecoveryCopy first(folder, std::chrono::hours(1), nothing);
    RecoveryCopy second(folder, std::chrono::hours(1), nothing);
    first.follow(pathOf(c.first));
    second.follow(pathOf(c.second));
    ASSERT_TRUE(first.write(sample("甲")));
    ASSERT_TRUE(second.write(sample("乙")));
    ASSERT_NE(first.copyPath(), second.copyPath());
    EXPECT_EQ(readCopy(first.copyPath()).info.name, "甲");
    EXPECT_EQ(readCopy(second.copyPath()).info.name, "乙");
    // The copy is named after its project, and holds its path.
    const QString expectedName =
        *c.first == '\0' ? QStringLiteral("未命名") : QFileInfo(pathOf(c.first)).completeBaseName();
    EXPECT_TRUE(QFileInfo(first.copyPath()).fileName().startsWith(expectedName))
        << first.copyPath().toStdString();
    EXPECT_EQ(readText(QFileInfo(first.copyPath()).path() + QLatin1Char('/') +
                       QFileInfo(first.copyPath()).completeBaseName() + QStringLiteral(".path")),
              pathOf(c.first));

    first.remove();
    EXPECT_FALSE(QFile::exists(first.copyPath()));
    EXPECT_TRUE(QFile::exists(second.copyPath()));
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, RecoverySlots,
    ::testing::Values(TwoProjects{"SameProjectTwice", "甲/楼.exdesign", "甲/楼.exdesign"},
                      TwoProjects{"SameNameInTwoFolders", "甲/楼.exdesign", "乙/楼.exdesign"},
                      TwoProjects{"TwoNeverSaved", "", ""},
                      TwoProjects{"SavedAndNeverSaved", "甲/楼.exdesign", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Recovery, CopyLeftForLaterIsNotWrittenOverByTheSameProject) {
    const QString path = dir.filePath(QStringLiteral("楼.exdesign"));
    QString left;
    {
        RecoveryCopy crashed(folder, std::chrono::hours(1), nothing);
        crashed.follow(path);
        ASSERT_TRUE(crashed.write(sample("崩溃前")));
        left = crashed.copyPath();
    }
    RecoveryCopy next(folder, std::chrono::hours(1), nothing);
    next.follow(path);
    ASSERT_TRUE(next.write(sample("之后")));
    EXPECT_NE(next.copyPath(), left);
    EXPECT_EQ(readCopy(left).info.name, "崩溃前");
}

TEST_F(Recovery, StaleAreOnlyCopiesNobodyHoldsAndEachIsOfferedToOneAskerAtATime) {
    RecoveryCopy alive(folder, std::chrono::hours(1), nothing);
    alive.follow(dir.filePath(QStringLiteral("开着.exdesign")));
    ASSERT_TRUE(alive.write(sample("开着")));
    RecoveryCopy cleanAndOpen(folder, std::chrono::hours(1), nothing);
    cleanAndOpen.follow(dir.filePath(QStringLiteral("未改.exdesign")));
    const QString crashedProject = dir.filePath(QStringLiteral("崩溃.exdesign"));
    {
        RecoveryCopy crashed(folder, std::chrono::hours(1), nothing);
        crashed.follow(crashedProject);
        ASSERT_TRUE(crashed.write(sample("崩溃")));
    }
    // Something that is no copy of ours, under a copy's name.
    QFile junk(QDir(folder).filePath(QStringLiteral("坏的.exdesign")));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("{\"format\": ");
    junk.close();

    std::vector<StaleCopy> stale = RecoveryCopy::staleCopies(folder);
    ASSERT_EQ(stale.size(), 1U);
    EXPECT_EQ(stale[0].projectPath, crashedProject);
    EXPECT_EQ(stale[0].project, sample("崩溃"));
    EXPECT_EQ(stale[0].projectLabel(), QStringLiteral("崩溃.exdesign"));
    const std::string question = stale[0].question();
    EXPECT_NE(question.find("工程“崩溃”"), std::string::npos) << question;
    EXPECT_NE(question.find("2 个计算单元"), std::string::npos) << question;
    EXPECT_NE(
        question.find(stale[0].written.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString()),
        std::string::npos);
    EXPECT_FALSE(junk.exists());

    // A second program starting meanwhile does not offer the same copy.
    EXPECT_TRUE(RecoveryCopy::staleCopies(folder).empty());
    RecoveryCopy::discard(stale[0]);
    EXPECT_TRUE(RecoveryCopy::staleCopies(folder).empty());
    EXPECT_TRUE(QFile::exists(alive.copyPath()));
}

// ---- the timer

TEST_F(Recovery, TimerWritesWhatTheSourceGivesAtItsInterval) {
    int asked = 0;
    std::optional<Project> unsaved;
    RecoveryCopy copy(folder, std::chrono::milliseconds(20), [&] {
        ++asked;
        return unsaved;
    });
    copy.follow(dir.filePath(QStringLiteral("楼.exdesign")));
    QTRY_VERIFY_WITH_TIMEOUT(asked >= 3, 5000);
    EXPECT_TRUE(copy.copyPath().isEmpty()) << "nothing unsaved, nothing written";
    unsaved = sample("定时");
    QTRY_VERIFY_WITH_TIMEOUT(!copy.copyPath().isEmpty() && QFile::exists(copy.copyPath()), 5000);
    EXPECT_EQ(readCopy(copy.copyPath()), sample("定时"));
    unsaved->units[0][kArea] = "999";
    QTRY_COMPARE_WITH_TIMEOUT(readCopy(copy.copyPath()).units[0][kArea], std::string("999"), 5000);
}

TEST_F(Recovery, WindowWritesItsCopyOnlyWhileUnsavedAndSavingRemovesIt) {
    WorkbookWindow* window = makeWindow();
    ASSERT_TRUE(window->openFile(project(QStringLiteral("楼.exdesign"), "楼")));
    window->recovery()->timer()->setInterval(20);
    QTest::qWait(100);
    EXPECT_TRUE(window->recovery()->copyPath().isEmpty());

    typeIntoCell(window, 0, kArea, QStringLiteral("700"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(window->recovery()->copyPath()), 5000);
    const QString copy = window->recovery()->copyPath();
    QTRY_COMPARE_WITH_TIMEOUT(readCopy(copy), window->model()->workbook().project(), 5000);

    QTest::keyClick(window, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_FALSE(QFile::exists(copy));
    QTest::qWait(100);
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.exdesign")}).isEmpty());
}

// ---- start-up after a session that ended badly

TEST_F(Recovery, ASecondWindowNeitherOffersNorRemovesTheCopyOfOneStillOpen) {
    WorkbookWindow* first = makeWindow();
    ASSERT_TRUE(first->openFile(project(QStringLiteral("甲.exdesign"), "甲")));
    typeIntoCell(first, 0, kArea, QStringLiteral("700"));
    first->recovery()->writeNow();
    const QString copy = first->recovery()->copyPath();
    ASSERT_TRUE(QFile::exists(copy));

    WorkbookWindow* second = makeWindow();
    shown.clear();
    second->offerRecovery();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(second->model()->rowCount(), 0);
    second->close();
    EXPECT_TRUE(QFile::exists(copy));
    EXPECT_EQ(readCopy(copy).units[0][kArea], "700");
}

struct Answered {
    const char* name;
    Answer reply;
    bool keepsFile;  // the window works on the project's own file
    int rows;        // in the window afterwards
    bool oldCopyStays;
    bool offeredAgain;  // at the start after this one
};

class RecoveryAnswer : public Recovery, public ::testing::WithParamInterface<Answered> {};

TEST_P(RecoveryAnswer, AfterACrashTheNextStartAsksAndDoesWhatWasAnswered) {
    const Answered& c = GetParam();
    const QString file = project(QStringLiteral("楼.exdesign"), "楼");
    WorkbookWindow* crashed = makeWindow();
    ASSERT_TRUE(crashed->openFile(file));
    typeIntoCell(crashed, 0, kArea, QStringLiteral("700"));
    crashed->recovery()->writeNow();
    const QString copy = crashed->recovery()->copyPath();
    crash(crashed);
    ASSERT_TRUE(QFile::exists(copy));

    WorkbookWindow* window = makeWindow();
    shown.clear();
    replies = {c.reply};
    window->offerRecovery();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("工程“楼”"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find(QDir::toNativeSeparators(file).toStdString()), std::string::npos);
    EXPECT_EQ(windows().size(), 1U);
    EXPECT_EQ(window->model()->rowCount(), c.rows);
    if (c.rows > 0) {
        EXPECT_EQ(area(window, 0), QStringLiteral("700"));
        EXPECT_TRUE(window->isWindowModified());
        EXPECT_EQ(window->filePath(), c.keepsFile ? file : QString());
        // Whichever copy now holds the recovered edits is on the disk already.
        ASSERT_TRUE(QFile::exists(window->recovery()->copyPath()));
        EXPECT_EQ(readCopy(window->recovery()->copyPath()).units[0][kArea], "700");
    }
    EXPECT_EQ(QFile::exists(copy), c.oldCopyStays);

    WorkbookWindow* next = makeWindow();
    shown.clear();
    replies = {Answer::Cancel};
    next->offerRecovery();
    EXPECT_EQ(shown.size(), c.offeredAgain ? 1U : 0U);
    crash(next);

    replies = {Answer::Discard};  // the closing question
    window->close();
    if (c.rows > 0) {
        EXPECT_FALSE(QFile::exists(window->recovery()->copyPath()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RecoveryAnswer,
    ::testing::Values(Answered{"Recover", Answer::Recover, true, 2, true, false},
                      Answered{"OpenUntitled", Answer::OpenUntitled, false, 2, false, false},
                      Answered{"Discard", Answer::Discard, false, 0, false, false},
                      Answered{"Later", Answer::Cancel, false, 0, true, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Recovery, EveryCopyIsOfferedAndAllButTheFirstOpenInWindowsOfTheirOwn) {
    for (const char* name : {"甲", "乙", "丙"}) {
        WorkbookWindow* crashed = makeWindow();
        ASSERT_TRUE(crashed->openFile(
            project(QString::fromUtf8(name) + QStringLiteral(".exdesign"), name)));
        typeIntoCell(crashed, 1, kArea, QStringLiteral("123"));
        crashed->recovery()->writeNow();
        crash(crashed);
    }
    WorkbookWindow* window = makeWindow();
    shown.clear();
    replies = {Answer::Recover, Answer::Discard, Answer::OpenUntitled};
    window->offerRecovery();
    EXPECT_EQ(shown.size(), 3U);
    const std::vector<WorkbookWindow*> open = windows();
    ASSERT_EQ(open.size(), 2U);
    std::set<std::string> names;
    for (WorkbookWindow* each : open) {
        names.insert(each->model()->workbook().info().name);
        EXPECT_EQ(area(each, 1), QStringLiteral("123"));
    }
    EXPECT_EQ(names.size(), 2U);
}

#ifndef _WIN32
// A workbook in a program of its own that has made an unsaved edit and written its copy.
struct Victim {
    pid_t pid = -1;
    QString copy;
};

Victim startVictim(const QString& project, const QString& text) {
    int fds[2];
    if (pipe(fds) != 0) {
        ADD_FAILURE() << "no pipe";
        return {};
    }
    const QByteArray file = project.toLocal8Bit();
    const QByteArray typed = text.toLocal8Bit();
    const QByteArray column = QByteArray::number(kArea);
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execl(EXTCALC_RECOVERY_VICTIM, EXTCALC_RECOVERY_VICTIM, file.constData(), "0",
              column.constData(), typed.constData(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string line;
    char byte = 0;
    while (read(fds[0], &byte, 1) == 1 && byte != '\n') {
        line += byte;
    }
    close(fds[0]);
    EXPECT_FALSE(line.empty()) << "the workbook did not write its copy";
    return {pid, QString::fromLocal8Bit(line.c_str())};
}

void kill(const Victim& victim) {
    ::kill(victim.pid, SIGKILL);
    int status = 0;
    waitpid(victim.pid, &status, 0);
}

TEST_F(Recovery, TwoKilledProgramsEachGetTheirOwnEditsBack) {
    const QString first = project(QStringLiteral("甲/楼.exdesign"), "甲楼");
    const QString second = project(QStringLiteral("乙/楼.exdesign"), "乙楼");
    const Victim firstProgram = startVictim(first, QStringLiteral("701"));
    const Victim secondProgram = startVictim(second, QStringLiteral("802"));
    ASSERT_NE(firstProgram.copy, secondProgram.copy);

    // While both run, a third program offers nothing and takes nothing away.
    WorkbookWindow* bystander = makeWindow();
    shown.clear();
    bystander->offerRecovery();
    EXPECT_TRUE(shown.empty());
    bystander->close();
    delete bystander;
    EXPECT_TRUE(QFile::exists(firstProgram.copy));
    EXPECT_TRUE(QFile::exists(secondProgram.copy));

    kill(firstProgram);
    kill(secondProgram);
    WorkbookWindow* window = makeWindow();
    shown.clear();
    replies = {Answer::Recover, Answer::Recover};
    window->offerRecovery();
    ASSERT_EQ(shown.size(), 2U);
    const std::vector<WorkbookWindow*> open = windows();
    ASSERT_EQ(open.size(), 2U);
    std::map<QString, QString> edits;
    for (WorkbookWindow* each : open) {
        edits[each->filePath()] = area(each, 0);
        EXPECT_TRUE(each->isWindowModified());
    }
    EXPECT_EQ(edits[first], QStringLiteral("701"));
    EXPECT_EQ(edits[second], QStringLiteral("802"));
    // Saved, each goes to its own file.
    for (WorkbookWindow* each : open) {
        each->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(each));
        QTest::keyClick(each, Qt::Key_S, Qt::ControlModifier);
    }
    EXPECT_EQ(readCopy(first).units[0][kArea], "701");
    EXPECT_EQ(readCopy(second).units[0][kArea], "802");
    EXPECT_TRUE(QDir(folder).entryList({QStringLiteral("*.exdesign")}).isEmpty());
}
#endif

}  // namespace
}  // namespace extcalc::test
