// SPDX-License-Identifier: MIT
// The file and tool menus of the workbook, chosen from the menu bar with the mouse, their
// dialogs answered as a user would: 导入 CSV in either encoding and refused when broken,
// 导出 CSV and the same table read back, 工具 → 单项计算.

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <fstream>
#include <memory>

#include "extcalc/project.h"
#include "extcalc/workbook.h"
#include "form3.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;

const QString kFileMenu = QStringLiteral("文件(&F)");

Project sample() {
    Project project;
    project.info.name = "菜单试验楼";
    project.units = {{"一层 大厅", "A", "", "中危险级", "1.0", "否", "300", "1", "MF/ABC4"},
                     {"配电室", "E", "B", "中危险级", "1.0", "否", "80", "1", "MT5"}};
    for (auto& unit : project.units) {
        unit.resize(building::inputColumns(project.standard).size());
    }
    return project;
}

// Answers each modal dialog as it opens: the drop-down of a question with `choice`, a
// file dialog with `file`.
class DialogAnswerer {
  public:
    DialogAnswerer(QString choice, QString file)
        : choice_(std::move(choice)), file_(std::move(file)) {
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start(20);
    }
    [[nodiscard]] const QStringList& seen() const { return seen_; }

  private:
    void answer() {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* input = qobject_cast<QInputDialog*>(modal)) {
            seen_ << input->windowTitle();
            input->setTextValue(choice_);
            input->accept();
        } else if (auto* files = qobject_cast<QFileDialog*>(modal)) {
            seen_ << files->windowTitle();
            // Typed into the name field and taken with Enter.
            auto* name = files->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(name, nullptr);
            name->setText(file_);
            QTest::keyClick(name, Qt::Key_Return);
        }
    }

    QString choice_;
    QString file_;
    QStringList seen_;
    QTimer timer_;
};

class Menus : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("EXTINGUISHER_DESIGN_RECOVERY_DIR",
                dir.filePath(QStringLiteral("recovery")).toUtf8());
        window = std::make_unique<workbook::WorkbookWindow>([this](QWidget*, const Message& m) {
            shown.emplace_back(m.text);
            const Answer reply = replies.empty() ? Answer::Ok : replies.front();
            if (!replies.empty()) {
                replies.pop_front();
            }
            return reply;
        });
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        const QString file = dir.filePath(QStringLiteral("菜单试验楼.exdesign"));
        std::ofstream(file.toStdString(), std::ios::binary) << building::projectJson(sample());
        ASSERT_TRUE(window->openFile(file));
    }

    QString write(const QString& name, const std::string& bytes) {
        QString path = dir.filePath(name);
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }

    Project project() const { return window->model()->workbook().project(); }

    QTemporaryDir dir;
    std::unique_ptr<workbook::WorkbookWindow> window;
    std::vector<std::string> shown;
    std::deque<Answer> replies;
};

struct Imported {
    const char* name;
    const char* bytes;
    int standard;  // the item chosen in the question: 0 GB 50140-2005, 1 GBJ140-90
    int rows;      // 0: refused, the project as it was
    const char* firstName;
    const char* message;  // part of what is shown
};

class ImportMenu : public Menus, public ::testing::WithParamInterface<Imported> {};

TEST_P(ImportMenu, TableIsReadOrRefusedWithItsPlace) {
    const Imported& c = GetParam();
    const QString path = write(QStringLiteral("表.csv"), c.bytes);
    const Project before = project();
    // The window's project is saved, so no question comes before the dialogs.
    DialogAnswerer answerer(window->findChild<QComboBox*>("standard")->itemText(c.standard), path);
    // A table of the same standard may join the open units: 否 starts a new project. One of
    // the other standard can only start one, and says so first.
    if (c.rows != 0) {
        replies = {c.standard == 0 ? Answer::No : Answer::Ok};
    }
    chooseMenu(window.get(), {kFileMenu, QStringLiteral("导入 CSV(&I)…")});
    QTest::qWait(50);
    EXPECT_EQ(answerer.seen(),
              (QStringList{QStringLiteral("导入 CSV"), QStringLiteral("导入 CSV")}));
    if (c.rows == 0) {
        EXPECT_EQ(project(), before);
        ASSERT_EQ(shown.size(), 1U);
        EXPECT_NE(shown[0].find("无法导入“表.csv”"), std::string::npos) << shown[0];
        EXPECT_NE(shown[0].find(c.message), std::string::npos) << shown[0];
        EXPECT_FALSE(window->isWindowModified());
        return;
    }
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find(c.standard == 0 ? "是否把它们添加到当前工程" : "不能添加到当前工程"),
              std::string::npos)
        << shown[0];
    ASSERT_EQ(window->model()->rowCount(), c.rows);
    EXPECT_EQ(project().units[0][0], c.firstName);
    EXPECT_EQ(static_cast<int>(project().standard),
              c.standard == 0 ? static_cast<int>(building::Standard::Gb50140_2005)
                              : static_cast<int>(building::Standard::Gbj140_90));
    // An imported table is a new project, not yet saved anywhere.
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_TRUE(window->filePath().isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ImportMenu,
    ::testing::Values(
        Imported{"Utf8",
                 "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
                 "库房 甲,A,,中危险级,1.0,否,300,2,MF/ABC4\n配电室,E,B,中危险级,1.0,否,80,1,MT5\n",
                 0, 2, "库房 甲", ""},
        Imported{
            "Utf8WithByteOrderMark",
            "\xef\xbb\xbf名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
            "库房 甲,A,,中危险级,1.0,否,300,2,MF/ABC4\n",
            0, 1, "库房 甲", ""},
        // The same table as a Chinese Windows spreadsheet saves it.
        Imported{"Gbk",
                 "\xc3\xfb\xb3\xc6,\xbb\xf0\xd4\xd6\xc0\xe0\xb1\xf0,E\xc0\xe0\xb0\xb4,"
                 "\xce\xa3\xcf\xd5\xb5\xc8\xbc\xb6,\xd0\xde\xd5\xfd\xcf\xb5\xca\xfd,"
                 "\xcc\xd8\xca\xe2\xb3\xa1\xcb\xf9,\xbd\xa8\xd6\xfe\xc3\xe6\xbb\xfd,"
                 "\xc9\xe8\xd6\xc3\xb5\xe3\xca\xfd,\xc3\xf0\xbb\xf0\xc6\xf7\n"
                 "\xbf\xe2\xb7\xbf \xbc\xd7,A,,\xd6\xd0\xce\xa3\xcf\xd5\xbc\xb6,1.0,\xb7\xf1,300,2,"
                 "MF/ABC4\n",
                 0, 1, "库房 甲", ""},
        Imported{"ClassicTable",
                 "名称,火灾类别,危险等级,修正系数,地下建筑,灭火器,建筑面积\n"
                 "地下一层 柴油发电机房,B,3,2,是,7,85\n",
                 1, 1, "地下一层 柴油发电机房", ""},
        Imported{"BrokenQuotes",
                 "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
                 "\"库房 甲,A,,中危险级,1.0,否,300,2,MF/ABC4\n",
                 0, 0, "", "第2行：引号使用有误"},
        Imported{"ValueOutsideItsList",
                 "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
                 "库房 甲,Q,,中危险级,1.0,否,300,2,MF/ABC4\n",
                 0, 0, "", "第2行：火灾类别“Q”不在"},
        Imported{"NotATable", "\x89PNG\r\n\x1a\n\x01\x02", 0, 0, "", "第1行：表头缺少"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Menus, ExportedTableReadsBackAsTheSameUnits) {
    const QString exported = dir.filePath(QStringLiteral("导出.csv"));
    {
        DialogAnswerer answerer({}, exported);
        chooseMenu(window.get(), {kFileMenu, QStringLiteral("导出 CSV(&E)…")});
        QTest::qWait(50);
        EXPECT_EQ(answerer.seen(), QStringList{QStringLiteral("导出 CSV")});
    }
    ASSERT_TRUE(QFile::exists(exported));
    EXPECT_TRUE(shown.empty()) << shown.front();
    const Project before = project();

    DialogAnswerer answerer(window->findChild<QComboBox*>("standard")->itemText(0), exported);
    replies = {Answer::No};  // as a project of its own, not added to the open one
    chooseMenu(window.get(), {kFileMenu, QStringLiteral("导入 CSV(&I)…")});
    QTest::qWait(50);
    EXPECT_EQ(answerer.seen().size(), 2);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("是否把它们添加到当前工程"), std::string::npos) << shown[0];
    // Each cell comes back as the lists name it ("1.0" as 未设…), with the same results.
    const building::Workbook original(before);
    Project canonical = before;
    for (std::size_t row = 0; row < before.units.size(); ++row) {
        for (std::size_t column = 0; column < before.units[row].size(); ++column) {
            canonical.units[row][column] =
                original.canonicalCell(row, column, before.units[row][column]);
        }
    }
    EXPECT_EQ(project().units, canonical.units);
    const std::vector<std::size_t> rows{0, 1};
    EXPECT_EQ(building::tabText(window->model()->workbook(), rows, true),
              building::tabText(building::Workbook(canonical), rows, true));
    EXPECT_EQ(project().standard, before.standard);
}

TEST_F(Menus, ClassicCalculatorOpensFromTheToolsMenu) {
    chooseMenu(window.get(),
               {QStringLiteral("工具(&T)"), QStringLiteral("单项计算（GBJ140-90）(&C)")});
    ui::form3* classic = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<ui::form3*>(widget); found && found->isVisible()) {
                classic = found;
            }
        }
        return classic != nullptr;
    }));
    EXPECT_TRUE(classic->testAttribute(Qt::WA_DeleteOnClose));
    // The workbook stays as it was, its project unchanged, while the classic window is up.
    EXPECT_EQ(project(), sample());
    EXPECT_TRUE(window->isVisible());
    classic->close();
}

}  // namespace
}  // namespace extcalc::test
