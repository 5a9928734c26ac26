// SPDX-License-Identifier: MIT
// The workbook driven as a user drives it: keys on the table, the clipboard, the files.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <deque>
#include <fstream>
#include <memory>

#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"
#include "extcalc/units.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;

// Columns by their key, so columns added later move nothing here.
int inputColumn(std::string_view key) {
    const auto columns = building::inputColumns(building::Standard::Gb50140_2005);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (columns[i].key == key) {
            return static_cast<int>(i);
        }
    }
    ADD_FAILURE() << "no column " << key;
    return 0;
}

int resultColumn(std::string_view key) {
    const auto results = building::resultColumns(building::Standard::Gb50140_2005);
    for (std::size_t i = 0; i < results.size(); ++i) {
        if (results[i].key == key) {
            return static_cast<int>(
                building::inputColumns(building::Standard::Gb50140_2005).size() + i);
        }
    }
    ADD_FAILURE() << "no result " << key;
    return 0;
}

constexpr int kArea = 6;    // 建筑面积 of GB 50140-2005
constexpr int kHazard = 3;  // 危险等级
// 合计具数, the eighth result, after the inputs.
const int kTotal =
    static_cast<int>(building::inputColumns(building::Standard::Gb50140_2005).size()) + 7;

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
        // A clean slate of settings for every test: no recent files, folder or size left
        // by another.
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope,
                               dir.filePath(QStringLiteral("settings")));
        }
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

// A kitchen-like place of solids and liquids: B checked beside A with the mouse, the list
// staying open, Enter taking both; then a class list typed, out of order, in the field.
TEST_F(Workbook, ClassCellChecksSeveralClassesOrTakesThemTyped) {
    const int classColumn = inputColumn("class");
    QTableView* table = window->table();
    table->setCurrentIndex(window->model()->index(0, classColumn));
    keyOnTable(Qt::Key_F4);
    auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
    ASSERT_NE(combo, nullptr);
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(QTest::qWaitFor([list] { return list->isVisible(); }));
    EXPECT_EQ(combo->itemData(0, Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(combo->itemData(1, Qt::CheckStateRole).toInt(), Qt::Unchecked);
    const QModelIndex classB = list->model()->index(1, 0);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(classB).center());
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(combo->currentText(), QStringLiteral("A+B"));
    QTest::keyClick(list, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(0, classColumn), QStringLiteral("A+B"));
    // 300 m² 中危险级, one point, MF/ABC4: 4A and 300B, ⌈300/55⌉ = 6 for B.
    EXPECT_EQ(cell(0, resultColumn("Q_required")), QStringLiteral("4A/300B"));
    EXPECT_EQ(cell(0, kTotal), QStringLiteral("6"));

    table->setCurrentIndex(window->model()->index(1, classColumn));
    QTest::keyClick(table, Qt::Key_F2);
    // The first editor may linger until deleted; this one is the cell's.
    combo = qobject_cast<QComboBox*>(table->indexWidget(window->model()->index(1, classColumn)));
    ASSERT_NE(combo, nullptr);
    ASSERT_NE(combo->lineEdit(), nullptr);
    typeInto(combo->lineEdit(), QStringLiteral("e+b"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(1, classColumn), QStringLiteral("B+E"));
    EXPECT_EQ(cell(1, resultColumn("Q_required")), QStringLiteral("80B/80B"));
}

TEST_F(Workbook, RowsAreAddedMovedAndDeletedByKeyAndUndone) {
    keyOnTable(Qt::Key_Insert);
    ASSERT_EQ(window->model()->rowCount(), 3);
    keyOnTable(Qt::Key_Up, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(cell(2, 0), QStringLiteral("配电室"));
    window->table()->setCurrentIndex(window->model()->index(0, 0));
    keyOnTable(Qt::Key_Delete);
    EXPECT_EQ(window->model()->rowCount(), 2);
    EXPECT_EQ(cell(0, 0), QStringLiteral("一层 大厅"));
    const auto undo = [this] { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); };
    undo();
    EXPECT_EQ(window->model()->rowCount(), 3);
    EXPECT_EQ(cell(0, 0), QStringLiteral("一层 "));  // the storey of the unit it came after
    undo();
    EXPECT_EQ(cell(1, 0), QStringLiteral("一层 "));
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

// The E-class unit with a CO₂ extinguisher warns of metal horns until the designer says
// the horn is non-metal, by the drop-down of its column; the report then says so.
TEST_F(Workbook, StatedNonMetalHornClearsTheWarning) {
    const auto columns = building::inputColumns(building::Standard::Gb50140_2005);
    int horn = 0;
    while (columns[static_cast<std::size_t>(horn)].key != "nonmetal_horn") {
        ++horn;
    }
    const int problems =
        static_cast<int>(columns.size() +
                         building::resultColumns(building::Standard::Gb50140_2005).size()) -
        1;
    EXPECT_EQ(window->model()->headerData(horn, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("非金属喇叭喷筒"));
    EXPECT_TRUE(cell(1, problems).contains(QStringLiteral("金属喇叭喷筒")))
        << cell(1, problems).toStdString();

    QTableView* table = window->table();
    table->setFocus();
    table->setCurrentIndex(window->model()->index(1, horn));
    QTest::keyClick(table, Qt::Key_F2);
    auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
    ASSERT_NE(combo, nullptr);
    pickWithKeyboard(combo, 0);  // 是
    EXPECT_EQ(cell(1, horn), QStringLiteral("是"));
    EXPECT_FALSE(cell(1, problems).contains(QStringLiteral("喷筒")))
        << cell(1, problems).toStdString();
    // MT5 stays below the unit's 55B minimum (6.2.2): that error is the sample's own.
    EXPECT_EQ(cell(1, kTotal), QStringLiteral("3"));
    const std::string html =
        report::renderHtml(report::buildReport(window->model()->workbook().project()));
    EXPECT_NE(html.find("设计人注明：采用非金属喇叭喷筒"), std::string::npos);

    // 否 says the horn is metal: an error, and no count. The first editor goes first.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    table->setFocus();
    table->setCurrentIndex(window->model()->index(1, horn));
    QTest::keyClick(table, Qt::Key_F2);
    combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
    ASSERT_NE(combo, nullptr);
    pickWithKeyboard(combo, 1);
    EXPECT_EQ(cell(1, horn), QStringLiteral("否"));
    EXPECT_TRUE(cell(1, problems).startsWith(QStringLiteral("错误：")))
        << cell(1, problems).toStdString();
    EXPECT_EQ(cell(1, kTotal), QString());

    // Undone, 是 is back; what was stated is saved with the project.
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(cell(1, horn), QStringLiteral("是"));
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    const auto reread = building::readProjectFile(file.toStdString());
    ASSERT_TRUE(reread.project);
    EXPECT_EQ(reread.project->units[1][static_cast<std::size_t>(horn)], "是");
}

// Printing a report with a unit in error names the unit first; 否 prints nothing.
TEST_F(Workbook, ReportWithUnitsInErrorAsksFirst) {
    typeIntoCell(0, kArea, QStringLiteral("-5"));
    replies = {Answer::No};
    shown.clear();
    QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_NE(shown[0].find("以下 2 个计算单元有错误：\n1 一层 大厅、2 配电室"), std::string::npos)
        << shown[0];
    EXPECT_NE(shown[0].find("仍要打印计算书吗？"), std::string::npos) << shown[0];
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(widget->isVisible() && widget->objectName() == QStringLiteral("printPreview"));
    }
}

// A report that cannot be written says why as a failed save does, and names the file given.
TEST_F(Workbook, UnwritableReportSaysWhy) {
    for (const char* path : {"/sys/计算书.pdf", "/sys/计算书.html"}) {
        shown.clear();
        EXPECT_FALSE(window->exportReport(QString::fromUtf8(path)));
        ASSERT_EQ(shown.size(), 1U) << path;
        EXPECT_NE(shown[0].find("无法导出“计算书."), std::string::npos) << shown[0];
        EXPECT_NE(shown[0].find("没有在这里写入的权限"), std::string::npos) << shown[0];
        EXPECT_EQ(shown[0].find(".part"), std::string::npos) << shown[0];
    }
}

// The project form is made from the library's list of fields, each typed and saved.
TEST_F(Workbook, EveryProjectFieldIsTypedAndSaved) {
    const auto fields = building::projectInfoFields();
    auto edits =
        window->findChild<QWidget*>(QStringLiteral("infoPanel"))->findChildren<QLineEdit*>();
    ASSERT_EQ(static_cast<std::size_t>(edits.size()), fields.size());
    for (QLineEdit* edit : edits) {
        typeInto(edit, edit->accessibleName() + QStringLiteral("（填）"));
        QTest::keyClick(edit, Qt::Key_Tab);
    }
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    const auto reread = building::readProjectFile(file.toStdString());
    ASSERT_TRUE(reread.project);
    for (const auto& field : fields) {
        const std::string value = reread.project->info.*field.member;
        EXPECT_EQ(value.rfind(std::string(field.chinese), 0), 0U) << field.key << " " << value;
        EXPECT_NE(value.find("（填）"), std::string::npos) << field.key;
    }
    EXPECT_EQ(reread.project->info.name, "工程名称（填）");
}

// ---- the grid as a spreadsheet user works it

QComboBox* openEditorChoice(QTableView* table) {
    return table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
}

struct DropDownKey {
    const char* name;
    const char* column;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    bool opens;
};

class DropDownKeys : public Workbook, public ::testing::WithParamInterface<DropDownKey> {};

// F4 and Alt+Down open a choice cell's list at once, not only once F2 has opened an
// editor, and the row stays where it was; the list is as wide as its longest item.
TEST_P(DropDownKeys, OpenTheListOfAChoiceCellDirectly) {
    const DropDownKey& c = GetParam();
    const int column = inputColumn(c.column);
    window->table()->setCurrentIndex(window->model()->index(1, column));
    keyOnTable(c.key, c.modifiers);
    EXPECT_EQ(cell(0, 0), QStringLiteral("一层 大厅"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("配电室"));
    QComboBox* combo = openEditorChoice(window->table());
    if (!c.opens) {
        EXPECT_EQ(combo, nullptr);
        return;
    }
    ASSERT_NE(combo, nullptr);
    QAbstractItemView* list = combo->view();
    ASSERT_TRUE(list->isVisible());
    int widest = 0;
    for (int i = 0; i < combo->count(); ++i) {
        widest = std::max(widest, list->fontMetrics().horizontalAdvance(combo->itemText(i)));
    }
    EXPECT_GE(list->viewport()->width(), widest) << combo->count() << " items";
    // The last item, taken with the keyboard, is what the cell then holds.
    const QString last = combo->itemData(combo->count() - 1).toString();
    QTest::keyClick(list, Qt::Key_End);
    QTest::keyClick(list, Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(window->model()->index(1, column).data(Qt::EditRole).toString(), last);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, DropDownKeys,
    ::testing::Values(DropDownKey{"F4Hazard", "hazard", Qt::Key_F4, Qt::NoModifier, true},
                      DropDownKey{"AltDownK", "k", Qt::Key_Down, Qt::AltModifier, true},
                      DropDownKey{"F4Extinguisher", "extinguisher", Qt::Key_F4, Qt::NoModifier,
                                  true},
                      DropDownKey{"AltDownClass", "class", Qt::Key_Down, Qt::AltModifier, true},
                      DropDownKey{"F4OnTypedArea", "area", Qt::Key_F4, Qt::NoModifier, false},
                      DropDownKey{"AltDownOnName", "name", Qt::Key_Down, Qt::AltModifier, false}),
    [](const auto& row) { return std::string(row.param.name); });

struct RowMove {
    const char* name;
    int from;
    Qt::Key key;
    QStringList order;
    int current;
};

class RowMoves : public Workbook, public ::testing::WithParamInterface<RowMove> {};

TEST_P(RowMoves, TakeCtrlShiftArrows) {
    const RowMove& c = GetParam();
    window->table()->setCurrentIndex(window->model()->index(c.from, 0));
    keyOnTable(c.key, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ((QStringList{cell(0, 0), cell(1, 0)}), c.order);
    EXPECT_EQ(window->table()->currentIndex().row(), c.current);
    EXPECT_EQ(window->isWindowModified(), c.order.front() != QStringLiteral("一层 大厅"));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RowMoves,
    ::testing::Values(RowMove{"Down", 0, Qt::Key_Down, {"配电室", "一层 大厅"}, 1},
                      RowMove{"Up", 1, Qt::Key_Up, {"配电室", "一层 大厅"}, 0},
                      RowMove{"UpAtTheTop", 0, Qt::Key_Up, {"一层 大厅", "配电室"}, 0},
                      RowMove{"DownAtTheEnd", 1, Qt::Key_Down, {"一层 大厅", "配电室"}, 1}),
    [](const auto& row) { return std::string(row.param.name); });

struct PasteInEditor {
    const char* name;
    const char* column;
    const char* clipboard;
    int rows;           // afterwards
    const char* value;  // of the edited cell afterwards
    bool refused;
};

class PasteWhileEditing : public Workbook, public ::testing::WithParamInterface<PasteInEditor> {};

// Ctrl+V in a cell's editor pastes rows when the clipboard holds rows, and text into
// the cell when it holds a single value.
TEST_P(PasteWhileEditing, PastesRowsWhenTheClipboardHoldsRows) {
    const PasteInEditor& c = GetParam();
    const int column = inputColumn(c.column);
    QTableView* table = window->table();
    table->setFocus();
    const QModelIndex index = window->model()->index(0, column);
    table->setCurrentIndex(index);
    // F2 opens the editor, as a click on the selected cell does.
    QTest::keyClick(table, Qt::Key_F2);
    QWidget* focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);
    // A typed cell's field, or the field of the drop-down that also takes typing.
    const auto* combo = qobject_cast<QComboBox*>(focus);
    ASSERT_TRUE(qobject_cast<QLineEdit*>(focus) != nullptr ||
                (combo != nullptr && combo->isEditable()))
        << focus->metaObject()->className();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(c.clipboard));
    // Pressed in the editor, released wherever the focus is then, as a keyboard does:
    // the editor may be gone by the time the keys come up.
    QTest::keyPress(focus, Qt::Key_V, Qt::ControlModifier);
    QTest::keyRelease(QApplication::focusWidget(), Qt::Key_V, Qt::ControlModifier);
    if (QApplication::focusWidget() == focus) {
        QTest::keyClick(focus, Qt::Key_Return);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(window->model()->rowCount(), c.rows);
    EXPECT_EQ(window->model()->index(0, column).data(Qt::EditRole).toString(),
              QString::fromUtf8(c.value));
    EXPECT_EQ(shown.size(), c.refused ? 1U : 0U);
    if (c.rows == 3) {
        EXPECT_EQ(cell(1, 0), QStringLiteral("库房"));  // after the row being edited
    }
}

INSTANTIATE_TEST_SUITE_P(
    Clipboard, PasteWhileEditing,
    ::testing::Values(
        PasteInEditor{"RowIntoArea", "area", "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\n", 3,
                      "300", false},
        PasteInEditor{"RowWithoutLineEnd", "name", "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2",
                      3, "一层 大厅", false},
        PasteInEditor{"RowIntoModel", "extinguisher",
                      "库房\tA\t\t轻危险级\t1.0\t否\t120\t1\tMF/ABC2\r\n", 3, "MF/ABC4", false},
        PasteInEditor{"ValueIntoArea", "area", "450", 2, "450", false},
        PasteInEditor{"LinesThatAreNoRows", "name", "库房\n门厅\n", 2, "一层 大厅", true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(Workbook, NewUnitTakesTheChoicesOfTheUnitAboveAndComputesAtOnce) {
    for (const int above : {1, 0}) {
        window->table()->setCurrentIndex(window->model()->index(above, inputColumn("area")));
        keyOnTable(Qt::Key_Insert);
        const int added = above + 1;
        EXPECT_EQ(window->table()->currentIndex(), window->model()->index(added, 0));
        for (const char* key :
             {"class", "e_basis", "hazard", "k", "special", "area", "points", "extinguisher"}) {
            EXPECT_EQ(cell(added, inputColumn(key)), cell(above, inputColumn(key))) << key;
        }
        const auto& units = window->model()->workbook();
        EXPECT_EQ(units.outcome(static_cast<std::size_t>(added)).problemText(),
                  units.outcome(static_cast<std::size_t>(above)).problemText());
        EXPECT_EQ(cell(added, resultColumn("total")), cell(above, resultColumn("total")));
    }
    ASSERT_EQ(window->model()->rowCount(), 4);
    // After the hall, a unit of the same storey that computes as it stands.
    EXPECT_EQ(cell(1, 0), QStringLiteral("一层 "));
    EXPECT_FALSE(window->model()->workbook().outcome(1).failed());
    EXPECT_FALSE(cell(1, resultColumn("total")).isEmpty());
    typeIntoCell(1, 0, QStringLiteral("一层 弱电间"));
    EXPECT_EQ(cell(1, 0), QStringLiteral("一层 弱电间"));
}

TEST_F(Workbook, EmptyProjectSaysHowToAddAUnitAndTheToolbarAddsIt) {
    auto* hint = window->findChild<QLabel*>(QStringLiteral("emptyHint"));
    ASSERT_NE(hint, nullptr);
    EXPECT_FALSE(hint->isVisible());
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    ASSERT_EQ(window->model()->rowCount(), 0);
    EXPECT_TRUE(hint->isVisible());
    EXPECT_NE(hint->text().indexOf(QStringLiteral("Insert")), -1);

    auto* add = window->findChild<QToolButton*>(QStringLiteral("tool_actionAddUnit"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->text(), QStringLiteral("添加"));
    QTest::mouseClick(add, Qt::LeftButton);
    ASSERT_EQ(window->model()->rowCount(), 1);
    EXPECT_FALSE(hint->isVisible());
    // Everything but the area is answered; the pane says what is missing, in full.
    const QString problems = window->findChild<QLabel*>(QStringLiteral("problemPane"))->text();
    EXPECT_NE(problems.indexOf(QStringLiteral("建筑面积")), -1) << problems.toStdString();
    typeIntoCell(0, inputColumn("area"), QStringLiteral("150"));
    EXPECT_FALSE(window->model()->workbook().outcome(0).failed());
    EXPECT_FALSE(cell(0, resultColumn("total")).isEmpty());

    for (const char* tool : {"tool_actionUndo", "tool_actionUndo"}) {
        QTest::mouseClick(window->findChild<QToolButton*>(QString::fromLatin1(tool)),
                          Qt::LeftButton);
    }
    EXPECT_EQ(window->model()->rowCount(), 0);
    EXPECT_TRUE(hint->isVisible());
    for (const char* tool : {"tool_actionDeleteUnit", "tool_actionMoveUp", "tool_actionMoveDown",
                             "tool_actionRedo", "tool_actionExportReport"}) {
        EXPECT_NE(window->findChild<QToolButton*>(QString::fromLatin1(tool)), nullptr) << tool;
    }
}

TEST_F(Workbook, GridShowsKValuesModelsAndRatingsWithTheirUnits) {
    window->table()->setCurrentIndex(window->model()->index(0, inputColumn("k")));
    keyOnTable(Qt::Key_F4);
    QComboBox* combo = openEditorChoice(window->table());
    ASSERT_NE(combo, nullptr);
    const int item = combo->findText(QStringLiteral("设有室内消火栓系统（K=0.9）"));
    ASSERT_GE(item, 0);
    QTest::keyClick(combo->view(), Qt::Key_Home);
    for (int i = 0; i < item; ++i) {
        QTest::keyClick(combo->view(), Qt::Key_Down);
    }
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCoreApplication::processEvents();
    EXPECT_EQ(cell(0, inputColumn("k")), QStringLiteral("设有室内消火栓系统（K=0.9）"));
    EXPECT_EQ(cell(0, inputColumn("extinguisher")),
              QStringLiteral("MF/ABC4 磷酸铵盐干粉 4 kg 2A/55B"));
    // 0.9 × 300 ÷ 75 = 3.6, rounded up to 4A.
    EXPECT_EQ(cell(0, resultColumn("Q_required")), QStringLiteral("4A"));
    EXPECT_EQ(cell(0, resultColumn("max_distance_m")), QStringLiteral("20 m"));
    EXPECT_EQ(cell(1, resultColumn("min_rating")), QStringLiteral("55B"));
    // What is copied stays the bare text that tables and files hold. (The closed
    // popup hands the activation back to the window, which the offscreen platform does
    // not do by itself.)
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->table()->setCurrentIndex(window->model()->index(0, 0));
    keyOnTable(Qt::Key_C, Qt::ControlModifier);
    const QString copied = QGuiApplication::clipboard()->text();
    EXPECT_NE(copied.indexOf(QStringLiteral("\t设有室内消火栓系统\t")), -1) << copied.toStdString();
    EXPECT_EQ(copied.indexOf(QStringLiteral("K=")), -1) << copied.toStdString();
}

TEST_F(Workbook, ColumnsWidenAsTextIsTyped) {
    const int before = window->table()->columnWidth(0);
    const QString name = QStringLiteral("地下一层 消防水泵房及稳压设备间 防火分区二");
    typeIntoCell(0, 0, name);
    const int wanted = window->table()->fontMetrics().horizontalAdvance(name);
    EXPECT_GT(window->table()->columnWidth(0), before);
    EXPECT_GE(window->table()->columnWidth(0), wanted);
}

TEST_F(Workbook, NamesStayInSightWhileScrollingRight) {
    window->resize(700, 500);
    QCoreApplication::processEvents();
    QScrollBar* bar = window->table()->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    const auto header = [this](int row) {
        return window->model()->headerData(row, Qt::Vertical, Qt::DisplayRole).toString();
    };
    EXPECT_EQ(header(0), QStringLiteral("1"));
    bar->setValue(bar->maximum());
    EXPECT_EQ(header(0), QStringLiteral("1 一层 大厅"));
    EXPECT_EQ(header(1), QStringLiteral("2 配电室"));
    bar->setValue(0);
    EXPECT_EQ(header(1), QStringLiteral("2"));
}

TEST_F(Workbook, ProblemsOfTheCurrentUnitAreReadInFull) {
    auto* pane = window->findChild<QLabel*>(QStringLiteral("problemPane"));
    ASSERT_NE(pane, nullptr);
    window->table()->setCurrentIndex(window->model()->index(1, 0));
    const std::string problems = window->model()->workbook().outcome(1).problemText();
    ASSERT_FALSE(problems.empty());
    EXPECT_NE(pane->text().indexOf(QString::fromStdString(problems)), -1)
        << pane->text().toStdString();
    EXPECT_NE(pane->text().indexOf(QStringLiteral("配电室")), -1);
    typeIntoCell(1, inputColumn("area"), QStringLiteral("-3"));
    EXPECT_NE(pane->text().indexOf(QStringLiteral("建筑面积")), -1) << pane->text().toStdString();
}

struct CsvImport {
    const char* name;
    Answer answer;
    int rows;
    bool keepsFile;  // still the project that was open
    int undoneRows;  // after one Ctrl+Z
};

class ImportChoice : public Workbook, public ::testing::WithParamInterface<CsvImport> {};

// 导入 CSV asks whether the table's units join this project or start a new one.
TEST_P(ImportChoice, AsksNewProjectOrAddRows) {
    const CsvImport& c = GetParam();
    const QString csv = dir.filePath(QStringLiteral("三层.csv"));
    writeText(csv,
              "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
              "三层 办公室,A,,中危险级,设有室内消火栓系统,否,860,4,MF/ABC3\n"
              "三层 机房,E,A,严重危险级,设有灭火系统,否,150,2,MF/ABC5\n");
    replies = {c.answer, Answer::Discard};
    const bool done = window->importCsv(csv, building::Standard::Gb50140_2005);
    EXPECT_EQ(done, c.answer != Answer::Cancel);
    ASSERT_GE(shown.size(), 1U);
    EXPECT_NE(shown[0].find("添加到当前工程"), std::string::npos) << shown[0];
    EXPECT_EQ(window->model()->rowCount(), c.rows);
    EXPECT_EQ(window->filePath() == file, c.keepsFile);
    EXPECT_EQ(window->isWindowModified(), c.answer != Answer::Cancel);
    QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(window->model()->rowCount(), c.undoneRows);
}

INSTANTIATE_TEST_SUITE_P(Answers, ImportChoice,
                         ::testing::Values(CsvImport{"AddRows", Answer::Yes, 4, true, 2},
                                           CsvImport{"NewProject", Answer::No, 2, false, 2},
                                           CsvImport{"Cancel", Answer::Cancel, 2, true, 2}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(Workbook, ImportIntoAnEmptyProjectAsksNothing) {
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    const QString csv = dir.filePath(QStringLiteral("一层.csv"));
    writeText(csv,
              "名称,火灾类别,E类按,危险等级,修正系数,特殊场所,建筑面积,设置点数,灭火器\n"
              "一层 门厅,A,,中危险级,设有室内消火栓系统,否,380,2,MF/ABC4\n");
    ASSERT_TRUE(window->importCsv(csv, building::Standard::Gb50140_2005));
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(window->model()->rowCount(), 1);
    EXPECT_NE(window->statusBar()->currentMessage().indexOf(QStringLiteral("导入 1 个计算单元")),
              -1);
}

// Ctrl+S on a new project: the dialog proposes the project's name in the folder last
// used; Enter saves there, and the status bar says so.
TEST_F(Workbook, SavingANewProjectProposesItsNameInTheLastFolder) {
    QTest::keyClick(window.get(), Qt::Key_N, Qt::ControlModifier);
    auto* name = window->findChild<QLineEdit*>(QStringLiteral("projectName"));
    typeInto(name, QStringLiteral("综合楼/二期"));
    QTest::keyClick(name, Qt::Key_Tab);
    keyOnTable(Qt::Key_Insert);
    const QString expected = dir.filePath(QStringLiteral("综合楼_二期.exdesign"));
    EXPECT_EQ(window->proposedSavePath(), expected);

    QString offered;
    QTimer::singleShot(300, [&offered] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        offered = dialog->selectedFiles().value(0);
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(offered, expected);
    EXPECT_TRUE(QFileInfo::exists(expected));
    EXPECT_EQ(window->filePath(), expected);
    EXPECT_FALSE(window->isWindowModified());
    EXPECT_NE(window->statusBar()->currentMessage().indexOf(QStringLiteral("已保存到")), -1)
        << window->statusBar()->currentMessage().toStdString();
}

struct RecentCase {
    const char* name;
    bool removeFile;  // gone, rather than refused
    bool stillListed;
};

class RecentFiles : public Workbook, public ::testing::WithParamInterface<RecentCase> {};

TEST_P(RecentFiles, AFileThatIsGoneLeavesTheList) {
    const RecentCase& c = GetParam();
    const QString other = dir.filePath(QStringLiteral("另一个.exdesign"));
    writeText(other, building::projectJson(sample()));
    ASSERT_TRUE(window->openFile(other));
    ASSERT_EQ(workbook::WorkbookWindow::recentFiles().value(0),
              QFileInfo(other).absoluteFilePath());
    if (c.removeFile) {
        ASSERT_TRUE(QFile::remove(other));
    } else {
        writeText(other, "{");
    }
    shown.clear();
    EXPECT_FALSE(window->openFile(other));
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].find("已从“最近打开的文件”中移除") != std::string::npos, !c.stillListed)
        << shown[0];
    EXPECT_EQ(workbook::WorkbookWindow::recentFiles().contains(QFileInfo(other).absoluteFilePath()),
              c.stillListed);
    EXPECT_TRUE(
        workbook::WorkbookWindow::recentFiles().contains(QFileInfo(file).absoluteFilePath()));
}

INSTANTIATE_TEST_SUITE_P(Files, RecentFiles,
                         ::testing::Values(RecentCase{"Gone", true, false},
                                           RecentCase{"Refused", false, true}),
                         [](const auto& row) { return std::string(row.param.name); });

// What the window remembers goes to the test's own folder, never the user's.
TEST_F(Workbook, SettingsStayInTheTestsOwnFolder) {
    QSettings store(QStringLiteral("extinguisher-calc"), QStringLiteral("extinguisher-design"));
    EXPECT_TRUE(store.fileName().startsWith(dir.path())) << store.fileName().toStdString();
    EXPECT_TRUE(store.value(QStringLiteral("recentFiles"))
                    .toStringList()
                    .contains(QFileInfo(file).absoluteFilePath()));
}

TEST_F(Workbook, WindowSizeIsRememberedAndTheFirstStartFitsTheScreen) {
    const QRect screen = window->screen()->availableGeometry();
    EXPECT_LE(window->frameGeometry().width(), screen.width());
    EXPECT_LE(window->frameGeometry().height(), screen.height());
    window->resize(780, 580);
    window->close();
    auto again = makeWindow();
    EXPECT_EQ(again->size(), QSize(780, 580));
}

}  // namespace
}  // namespace extcalc::test
