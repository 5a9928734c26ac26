// SPDX-License-Identifier: MIT
// The workbook driven as a user drives it: keys on the table, the clipboard, the files.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fstream>
#include <memory>

#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;

constexpr int kArea = 6;       // 建筑面积 of GB 50140-2005
constexpr int kHazard = 3;     // 危险等级
constexpr int kTotal = 9 + 7;  // 合计具数, after the nine inputs

Project sample() {
    Project project;
    project.info.name = "试验楼";
    project.units = {{"一层 大厅", "A", "", "中危险级", "1.0", "否", "300", "1", "MF/ABC4"},
                     {"配电室", "E", "B", "中危险级", "1.0", "否", "80", "1", "MT5"}};
    return project;
}

void writeText(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

class Workbook : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        qputenv("EXTINGUISHER_DESIGN_RECOVERY_DIR",
                dir.filePath(QStringLiteral("recovery")).toUtf8());
        window = makeWindow();
        file = dir.filePath(QStringLiteral("试验楼.exdesign"));
        writeText(file, building::projectJson(sample()));
        ASSERT_TRUE(window->openFile(file));
    }

    std::unique_ptr<workbook::WorkbookWindow> makeWindow() {
        auto made = std::make_unique<workbook::WorkbookWindow>([this](QWidget*, const Message& m) {
            shown.emplace_back(m.text);
            const Answer reply = replies.empty() ? Answer::Ok : replies.front();
            if (!replies.empty()) {
                replies.pop_front();
            }
            return reply;
        });
        made->show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(made.get()));
        return made;
    }

    QString cell(int row, int column) const {
        return window->model()->index(row, column).data().toString();
    }
    QString grandTotal() const { return window->findChild<QLabel*>("grandTotal")->text(); }

    // F2 on the cell, the new text typed, Enter.
    void typeIntoCell(int row, int column, const QString& text) {
        QTableView* table = window->table();
        table->setFocus();
        table->setCurrentIndex(window->model()->index(row, column));
        QTest::keyClick(table, Qt::Key_F2);
        auto* editor = table->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
        ASSERT_NE(editor, nullptr);
        typeInto(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The delegate commits what was typed once the key event is done.
        QCoreApplication::processEvents();
    }

    void keyOnTable(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        window->table()->setFocus();
        QTest::keyClick(window->table(), key, modifiers);
    }

    QTemporaryDir dir;
    QString file;
    std::unique_ptr<workbook::WorkbookWindow> window;
    std::vector<std::string> shown;
    std::deque<Answer> replies;
};

TEST_F(Workbook, CellTypedChangesResultsAndTotalsAndUndoes) {
    const QString before = cell(0, kTotal);
    const QString totalBefore = grandTotal();
    typeIntoCell(0, kArea, QStringLiteral("3000"));
    EXPECT_EQ(cell(0, kArea), QStringLiteral("3000"));
    EXPECT_NE(cell(0, kTotal), before);
    EXPECT_NE(grandTotal(), totalBefore);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_NE(window->windowTitle().indexOf(QStringLiteral("试验楼")), -1);

    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(0, kArea), QStringLiteral("300"));
    EXPECT_EQ(cell(0, kTotal), before);
    EXPECT_EQ(grandTotal(), totalBefore);
    EXPECT_FALSE(window->isWindowModified());
    QTest::keyClick(window.get(), Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(cell(0, kArea), QStringLiteral("3000"));
    EXPECT_NE(grandTotal(), totalBefore);
}

TEST_F(Workbook, ChoiceCellTakesAnItemFromItsDropDown) {
    QTableView* table = window->table();
    table->setFocus();
    table->setCurrentIndex(window->model()->index(0, kHazard));
    QTest::keyClick(table, Qt::Key_F2);
    auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
    ASSERT_NE(combo, nullptr);
    pickWithKeyboard(combo, 2);
    EXPECT_EQ(cell(0, kHazard), QStringLiteral("严重危险级"));
}

TEST_F(Workbook, RowsAreAddedMovedAndDeletedByKeyAndUndone) {
    keyOnTable(Qt::Key_Insert);
    ASSERT_EQ(window->model()->rowCount(), 3);
    keyOnTable(Qt::Key_Up, Qt::AltModifier);
    EXPECT_EQ(cell(2, 0), QStringLiteral("配电室"));
    window->table()->setCurrentIndex(window->model()->index(0, 0));
    keyOnTable(Qt::Key_Delete);
    EXPECT_EQ(window->model()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("一层 大厅"));
    const auto undo = [this] { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); };
    undo();
    EXPECT_EQ(window->model()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), QString());
    undo();
    EXPECT_EQ(cell(1, 0), QString());
    undo();
    EXPECT_EQ(window->model()->rowCount(), 2);
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(Workbook, PastedRowsComeInAsOneStep) {
    QGuiApplication::clipboard()->setText(QStringLiteral(
        "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\n门厅\tA\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n"));
    window->table()->setCurrentIndex(window->model()->index(1, 0));
    keyOnTable(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(window->model()->rowCount(), 4);
    EXPECT_EQ(cell(2, 0), QStringLiteral("库房"));
    EXPECT_EQ(cell(3, kHazard), QStringLiteral("中危险级"));
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->model()->rowCount(), 2);
    EXPECT_TRUE(shown.empty());
}

TEST_F(Workbook, PasteWithARowThatDoesNotFitTakesNothing) {
    QGuiApplication::clipboard()->setText(QStringLiteral(
        "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\n门厅\tQ\t\t2\t1.0\t否\t90\t1\tMF/ABC4\n"));
    keyOnTable(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(window->model()->rowCount(), 2);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("第 2 行火灾类别“Q”"), std::string::npos) << shown[0];
    EXPECT_FALSE(window->isWindowModified());
}

TEST_F(Workbook, SavedProjectOpensAsItWas) {
    typeInto(window->findChild<QLineEdit*>("designer"), QStringLiteral("（设计人）"));
    QTest::keyClick(window->findChild<QLineEdit*>("designer"), Qt::Key_Tab);
    typeIntoCell(1, kArea, QStringLiteral("120"));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(window->isWindowModified());
    const building::Project saved = window->model()->workbook().project();

    auto other = makeWindow();
    ASSERT_TRUE(other->openFile(file));
    EXPECT_EQ(other->model()->workbook().project(), saved);
    EXPECT_EQ(saved.info.designer, "（设计人）");
    EXPECT_EQ(saved.units[1][kArea], "120");
}

TEST_F(Workbook, FailedSaveKeepsTheOldFileAndTheUnsavedMark) {
    QFile original(file);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();
    typeIntoCell(0, kArea, QStringLiteral("500"));
    const QString gone = dir.filePath(QStringLiteral("gone"));
    ASSERT_TRUE(QDir().mkpath(gone));
    ASSERT_TRUE(QDir(gone).removeRecursively());

    EXPECT_FALSE(window->saveTo(QDir(gone).filePath(QStringLiteral("新.exdesign"))));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("无法保存“新.exdesign”"), std::string::npos) << shown[0];
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->filePath(), file);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(original.readAll(), before);
}

TEST_F(Workbook, TruncatedFileIsRefusedWithItsPlace) {
    typeIntoCell(0, kArea, QStringLiteral("500"));
    const building::Project before = window->model()->workbook().project();
    const std::string whole = building::projectJson(sample());
    const QString cut = dir.filePath(QStringLiteral("半截.exdesign"));
    writeText(cut, whole.substr(0, whole.size() / 2));

    EXPECT_FALSE(window->openFile(cut));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("无法打开“半截.exdesign”"), std::string::npos) << shown[0];
    EXPECT_NE(shown[0].find("行第"), std::string::npos) << shown[0];
    EXPECT_EQ(window->model()->workbook().project(), before);
    EXPECT_TRUE(window->isWindowModified());
    EXPECT_EQ(window->filePath(), file);
}

TEST_F(Workbook, ChangingTheStandardOfUnitsIsRefused) {
    auto* standard = window->findChild<QComboBox*>("standard");
    pickWithKeyboard(standard, 1);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("不能换算"), std::string::npos) << shown[0];
    EXPECT_EQ(window->model()->workbook().standard(), building::Standard::Gb50140_2005);
    EXPECT_EQ(standard->currentIndex(), 0);
}

// The report leaves the window as PDF or HTML by the file's type, and prints the same
// pages: painted onto a printer that writes PDF, they read back as the exported file does.
TEST_F(Workbook, ReportIsExportedByItsFileTypeAndPrinted) {
    const QString html = dir.filePath(QStringLiteral("计算书.html"));
    const QString pdf = dir.filePath(QStringLiteral("计算书.pdf"));
    ASSERT_TRUE(window->exportReport(html));
    ASSERT_TRUE(window->exportReport(pdf));
    EXPECT_FALSE(window->exportReport(dir.filePath(QStringLiteral("计算书.txt"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("计算书.txt"))));
    QFile page(html);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    EXPECT_TRUE(page.readAll().contains("建筑灭火器配置设计计算书"));

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    const int pages = report::paintReport(report::buildReport(sample()), printer);
    EXPECT_GT(pages, 1);
    EXPECT_GT(QFileInfo(printer.outputFileName()).size(), 1000);
}

}  // namespace
}  // namespace extcalc::test
