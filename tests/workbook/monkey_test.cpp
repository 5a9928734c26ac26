// SPDX-License-Identifier: MIT
// A long random walk through the real workbook window: keys and clicks on the table,
// typing into cells and fields, pastes of good and bad rows, undo and redo, rows added,
// moved, duplicated and deleted, imports of bad files. After every action the totals the
// window keeps up as it goes must equal a fresh evaluation of the project; at the end,
// undoing everything must give back the starting project byte for byte.
//
// Seeded; a failure prints its seed and step, so it replays exactly:
//   EXTCALC_MONKEY_SEED=<seed> EXTCALC_MONKEY_SEEDS=1 EXTCALC_MONKEY_ACTIONS=<n>
//   extcalc_workbook_monkey_test         (EXTCALC_MONKEY_VERBOSE=1 lists the actions)

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "extcalc/project.h"
#include "extcalc/result_table.h"
#include "extcalc/workbook.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;

unsigned long long fromEnvironment(const char* name, unsigned long long fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::strtoull(value, nullptr, 10) : fallback;
}

// Enough rows that moves and deletions have room, few enough that a step stays quick.
constexpr int kMostRows = 40;

Project start() {
    Project project;
    project.info.name = "随机测试楼";
    project.info.designer = "（设计人）";
    project.units = {{"一层 大厅", "A", "", "中危险级", "1.0", "否", "300", "1", "MF/ABC4"},
                     {"配电室", "E", "B", "中危险级", "1.0", "否", "80", "1", "MT5"},
                     {"地下车库", "B", "", "中危险级", "设有室内消火栓系统和灭火系统", "是", "1950",
                      "8", "MF/ABC4"},
                     {"厨房", "B", "", "严重危险级", "1.0", "否", "120", "2", "MF/ABC8"}};
    return project;
}

// What a cell may be given: good values, values of the wrong column, and rubbish.
const std::vector<QString>& cellTexts() {
    static const std::vector<QString> kTexts{"300",
                                             "0",
                                             "-5",
                                             "1e308",
                                             "12.5",
                                             "abc",
                                             "",
                                             " ",
                                             "A",
                                             "B",
                                             "C",
                                             "D",
                                             "E",
                                             "F",
                                             "中危险级",
                                             "1",
                                             "2",
                                             "3",
                                             "是",
                                             "否",
                                             "1.0",
                                             "0.5",
                                             "MF/ABC4",
                                             "MT5",
                                             "MF/ABC8",
                                             "MP6",
                                             "设有灭火系统",
                                             "１２",
                                             "99999999999999999999",
                                             "\t",
                                             "\"",
                                             "平方米",
                                             "办公室 甲",
                                             "NaN",
                                             "inf",
                                             "1,5"};
    return kTexts;
}

const std::vector<QString>& clipboardTexts() {
    static const std::vector<QString> kClips{
        "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\n",
        "门厅\tA\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n走廊\tA\t\t1\t1.0\t否\t60\t1\tMF/ABC2\n",
        "坏行\tQ\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n",
        "只有一列\n",
        "",
        "\"未闭合的引号\tA\n",
        "a\tb\tc\td\te\tf\tg\th\ti\tj\tk\tl\tm\tn\to\tp\tq\n",
    };
    return kClips;
}

class WorkbookMonkey : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("EXTINGUISHER_DESIGN_RECOVERY_DIR",
                dir.filePath(QStringLiteral("recovery")).toUtf8());
        file = dir.filePath(QStringLiteral("随机测试楼.exdesign"));
        startBytes = building::projectJson(start());
        std::ofstream(file.toStdString(), std::ios::binary) << startBytes;
        // Files an import must refuse, leaving the project as it was.
        const std::vector<std::pair<QString, std::string>> bad{
            {"破表.csv", "名称,火灾类别\n\"未闭合,A\n"},
            {"乱码.csv", std::string("\xff\xfe\x00\x01\x80\x81 garbage", 14)},
            {"空.csv", ""},
            {"错类别.csv", "名称,火灾类别,危险等级,面积\n库房,Q,中危险级,100\n"},
        };
        for (const auto& [name, text] : bad) {
            badFiles.push_back(dir.filePath(name));
            std::ofstream(badFiles.back().toStdString(), std::ios::binary) << text;
        }
        badFiles.push_back(dir.filePath(QStringLiteral("不存在.csv")));
    }

    int below(int bound) { return std::uniform_int_distribution<int>(0, bound - 1)(random); }

    QModelIndex randomCell() {
        const int rows = window->model()->rowCount();
        if (rows == 0) {
            return {};
        }
        return window->model()->index(below(rows), below(window->model()->columnCount()));
    }

    void onTable(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window->table()->setFocus();
        QTest::keyClick(window->table(), key, modifiers);
    }

    // One user action, described for the log.
    void act(std::string& description) {
        QTableView* table = window->table();
        const bool full = window->model()->rowCount() >= kMostRows;
        switch (below(16)) {
            case 0:
            case 1: {  // a cell typed into, then Enter, Tab or Escape
                const QModelIndex cell = randomCell();
                if (!cell.isValid()) {
                    break;
                }
                const QString text = cellTexts()[static_cast<std::size_t>(
                    below(static_cast<int>(cellTexts().size())))];
                description = "type '" + text.toStdString() + "' into " +
                              std::to_string(cell.row()) + "," + std::to_string(cell.column());
                table->setFocus();
                table->setCurrentIndex(cell);
                QTest::keyClick(table, Qt::Key_F2);
                if (auto* editor = table->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
                    editor != nullptr && editor->isVisible()) {
                    typeInto(editor, text);
                    static const Qt::Key kEnds[] = {Qt::Key_Return, Qt::Key_Tab, Qt::Key_Escape};
                    QTest::keyClick(editor, kEnds[below(3)]);
                } else if (auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
                           combo != nullptr && combo->isVisible()) {
                    for (int i = below(4); i > 0; --i) {
                        QTest::keyClick(combo, below(2) == 0 ? Qt::Key_Down : Qt::Key_Up);
                    }
                    QTest::keyClick(combo, below(4) == 0 ? Qt::Key_Escape : Qt::Key_Return);
                }
                QCoreApplication::processEvents();
                break;
            }
            case 2: {  // typing straight onto a selected cell opens its editor
                const QModelIndex cell = randomCell();
                if (!cell.isValid()) {
                    break;
                }
                description = "key onto " + std::to_string(cell.row());
                table->setFocus();
                table->setCurrentIndex(cell);
                QTest::keyClicks(table, below(2) == 0 ? QStringLiteral("7") : QStringLiteral("x"));
                // The editor, or the list a choice cell opens; nothing when focus left the
                // window, which offscreen windows may lose.
                if (QWidget* editor = QApplication::focusWidget(); editor != nullptr) {
                    QTest::keyClick(editor, Qt::Key_Return);
                }
                QCoreApplication::processEvents();
                break;
            }
            case 3: {
                static const Qt::Key kMoves[] = {Qt::Key_Up,     Qt::Key_Down,    Qt::Key_Left,
                                                 Qt::Key_Right,  Qt::Key_Home,    Qt::Key_End,
                                                 Qt::Key_PageUp, Qt::Key_PageDown};
                description = "arrow";
                onTable(kMoves[below(8)], below(3) == 0 ? Qt::ShiftModifier : Qt::NoModifier);
                break;
            }
            case 4:
                if (!full) {
                    description = "insert";
                    onTable(Qt::Key_Insert);
                }
                break;
            case 5:
                description = "delete";
                onTable(Qt::Key_Delete);
                break;
            case 6:
                if (!full) {
                    description = "duplicate";
                    onTable(Qt::Key_D, Qt::ControlModifier);
                }
                break;
            case 7:
                description = "move";
                onTable(below(2) == 0 ? Qt::Key_Up : Qt::Key_Down, Qt::AltModifier);
                break;
            case 8:
            case 9:
                description = "undo";
                for (int i = below(3); i >= 0; --i) {
                    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
                }
                break;
            case 10:
                description = "redo";
                QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
                break;
            case 11:
                description = "copy";
                onTable(Qt::Key_C, Qt::ControlModifier);
                break;
            case 12:
                if (!full) {
                    const int clip = below(static_cast<int>(clipboardTexts().size()) + 1);
                    // The last choice pastes whatever the window copied itself.
                    if (clip < static_cast<int>(clipboardTexts().size())) {
                        QGuiApplication::clipboard()->setText(
                            clipboardTexts()[static_cast<std::size_t>(clip)]);
                    }
                    description = "paste " + std::to_string(clip);
                    onTable(Qt::Key_V, Qt::ControlModifier);
                }
                break;
            case 13: {  // a click, a shift-click or a double click on a cell
                const QModelIndex cell = randomCell();
                if (!cell.isValid()) {
                    break;
                }
                description = "click " + std::to_string(cell.row());
                table->scrollTo(cell);
                const QPoint at = table->visualRect(cell).center();
                const int kind = below(3);
                if (kind == 2) {
                    QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
                    if (QWidget* editor = QApplication::focusWidget();
                        editor != nullptr && editor != table) {
                        QTest::keyClick(editor, Qt::Key_Escape);
                    }
                } else {
                    QTest::mouseClick(table->viewport(), Qt::LeftButton,
                                      kind == 1 ? Qt::ShiftModifier : Qt::NoModifier, at);
                }
                break;
            }
            case 14: {  // a project field typed into and left with Tab
                static const char* const kFields[] = {"projectName", "designUnit", "designer",
                                                      "checker", "projectDate"};
                const char* name = kFields[below(5)];
                description = std::string("field ") + name;
                auto* field = window->findChild<QLineEdit*>(QString::fromLatin1(name));
                field->setFocus();
                typeInto(field, cellTexts()[static_cast<std::size_t>(
                                    below(static_cast<int>(cellTexts().size())))]);
                QTest::keyClick(field, Qt::Key_Tab);
                break;
            }
            case 15: {
                const QString bad =
                    badFiles[static_cast<std::size_t>(below(static_cast<int>(badFiles.size())))];
                description = "import " + bad.toStdString();
                const std::string before =
                    building::projectJson(window->model()->workbook().project());
                // Through the window's own method: the file dialog is Qt's to test.
                EXPECT_FALSE(window->importCsv(bad, building::Standard::Gb50140_2005));
                EXPECT_EQ(building::projectJson(window->model()->workbook().project()), before);
                break;
            }
            default:
                break;
        }
    }

    // The totals kept up step by step against the same project evaluated afresh, and
    // what the window shows of them.
    void checkTotals(const std::string& where) {
        const building::Workbook& kept = window->model()->workbook();
        const building::Workbook fresh(kept.project());
        std::vector<std::size_t> rows(kept.size());
        std::iota(rows.begin(), rows.end(), std::size_t{0});
        ASSERT_EQ(building::tabText(kept, rows, true), building::tabText(fresh, rows, true))
            << where;
        ASSERT_EQ(kept.grandTotalText(), fresh.grandTotalText()) << where;
        ASSERT_EQ(kept.failedCount(), fresh.failedCount()) << where;
        const auto used = fresh.totals().used();
        auto* shown = window->findChild<QTableWidget*>(QStringLiteral("totals"));
        ASSERT_EQ(shown->rowCount(), static_cast<int>(used.size())) << where;
        for (std::size_t i = 0; i < used.size(); ++i) {
            const int row = static_cast<int>(i);
            ASSERT_EQ(shown->item(row, 0)->text().toStdString(), used[i].label) << where;
            ASSERT_EQ(
                shown->item(row, 1)->text().toStdString(),
                fresh.totals().totalText(used[i]).value_or(std::string(building::kTotalOutOfRange)))
                << where;
        }
        const QString grand = window->findChild<QLabel*>(QStringLiteral("grandTotal"))->text();
        ASSERT_TRUE(grand.contains(QString::fromStdString(
            fresh.grandTotalText().value_or(std::string(building::kTotalOutOfRange)))))
            << where << ": " << grand.toStdString();
    }

    void walk(unsigned long long seed, unsigned long long actions, bool verbose) {
        random.seed(seed);
        window = std::make_unique<workbook::WorkbookWindow>([](QWidget*, const Message& message) {
            // Every question answered the cautious way; nothing may block the walk.
            return message.buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
        });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        ASSERT_TRUE(window->openFile(file));
        ASSERT_EQ(building::projectJson(window->model()->workbook().project()), startBytes);

        for (unsigned long long step = 0; step < actions; ++step) {
            std::string description = "nothing";
            act(description);
            const std::string where = "seed " + std::to_string(seed) + ", step " +
                                      std::to_string(step) + " (" + description + ")";
            if (verbose) {
                std::printf("%s\n", where.c_str());
            }
            checkTotals(where);
            if (HasFatalFailure()) {
                return;
            }
        }

        // An editor left open holds a change not yet made; the user would leave it first.
        QTest::keyClick(window->table(), Qt::Key_Escape);
        window->table()->setFocus();
        auto* undo = window->findChild<QAction*>(QStringLiteral("actionUndo"));
        ASSERT_NE(undo, nullptr);
        int undone = 0;
        while (undo->isEnabled()) {
            undo->trigger();
            ++undone;
        }
        EXPECT_EQ(building::projectJson(window->model()->workbook().project()), startBytes)
            << "seed " << seed << " after undoing " << undone << " steps";
        checkTotals("after undoing everything, seed " + std::to_string(seed));
        EXPECT_FALSE(window->isWindowModified());
        std::printf("seed %llu: %llu actions, %d undone, %d rows at most\n", seed, actions, undone,
                    kMostRows);
        window.reset();
    }

    QTemporaryDir dir;
    QString file;
    std::string startBytes;
    std::vector<QString> badFiles;
    std::mt19937_64 random;
    std::unique_ptr<workbook::WorkbookWindow> window;
};

TEST_F(WorkbookMonkey, TotalsStayFreshAndUndoingEverythingGivesBackTheStart) {
    const unsigned long long actions = fromEnvironment("EXTCALC_MONKEY_ACTIONS", 20000);
    const unsigned long long seeds = fromEnvironment("EXTCALC_MONKEY_SEEDS", 3);
    const unsigned long long first = fromEnvironment("EXTCALC_MONKEY_SEED", 1);
    const bool verbose = fromEnvironment("EXTCALC_MONKEY_VERBOSE", 0) != 0;
    for (unsigned long long seed = first; seed < first + seeds; ++seed) {
        walk(seed, actions, verbose);
        if (HasFatalFailure()) {
            return;
        }
    }
}

}  // namespace
}  // namespace extcalc::test
