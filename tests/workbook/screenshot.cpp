// SPDX-License-Identifier: MIT
// Takes docs/workbook.png: the workbook with a sample building on a real display (run it
// under Xvfb), a unit with an error and one with a warning among them. With --fresh, a
// series instead: a new project at the size of a first start, as a designer types its
// first units by keyboard (PREFIX-1-empty.png … PREFIX-6-scrolled.png), whole screens so
// that the drop-downs are in the picture.
//
//   extcalc-workbook-screenshot OUT.png
//   extcalc-workbook-screenshot --fresh PREFIX
//   extcalc-workbook-screenshot --classes OUT.png   (a class list with two classes checked)

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

#include "application.h"
#include "extcalc/project.h"
#include "unit_model.h"
#include "workbook_window.h"

namespace {

extcalc::building::Project sampleBuilding() {
    extcalc::building::Project project;
    project.info.name = "示例办公楼";
    project.units = {
        {"地下一层 汽车库", "B", "", "中危险级", "未设室内消火栓系统和灭火系统", "是", "1950", "16",
         "MF/ABC4"},
        {"地下一层 变配电室", "E", "B", "中危险级", "未设室内消火栓系统和灭火系统", "是", "210",
         "2", "MF/ABC4"},
        {"地下一层 水泵房", "A", "", "轻危险级", "未设室内消火栓系统和灭火系统", "是", "160", "1",
         "MF/ABC2"},
        {"一层 门厅", "A", "", "中危险级", "设有室内消火栓系统", "否", "380", "2", "MF/ABC4"},
        {"一层 商业营业厅", "A", "", "严重危险级", "设有室内消火栓系统和灭火系统", "否", "1200",
         "6", "MF/ABC5"},
        {"一层 消防控制室", "E", "A", "严重危险级", "未设室内消火栓系统和灭火系统", "否", "45", "1",
         "MF/ABC5"},
        {"二层 办公室", "A", "", "中危险级", "设有室内消火栓系统", "否", "860", "4", "MF/ABC3"},
        {"二层 会议室", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "240", "1",
         "MF/ABC3"},
        {"二层 档案室", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "2600", "1",
         "MF/ABC4"},
        {"三层 办公室", "A", "", "中危险级", "设有室内消火栓系统", "否", "860", "4", "MF/ABC3"},
        {"三层 计算机房", "E", "A", "严重危险级", "未设室内消火栓系统和灭火系统", "否", "150", "2",
         "MF/ABC5"},
        {"三层 茶水间", "B", "", "轻危险级", "未设室内消火栓系统和灭火系统", "否", "30", "1",
         "MT5"},
        {"四层 职工餐厅", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "520", "3",
         "MF/ABC4"},
        {"四层 厨房", "B", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "180", "2",
         "MF/ABC4"},
        {"屋顶 电梯机房", "E", "B", "中危险级", "未设室内消火栓系统和灭火系统", "否", "60", "1",
         "MT3"},
    };
    return project;
}

}  // namespace

bool saveScreen(const QWidget& window, const QString& path) {
    QTest::qWait(300);
    return window.screen()->grabWindow(0).save(path);
}

// Types into the focused cell editor the way a keyboard does: Latin keys as keys, other
// characters as text, since Xvfb has no input method.
void typeIntoEditor(const QString& text) {
    auto* edit = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (edit == nullptr) {
        return;
    }
    edit->insert(text);
    QTest::qWait(100);
}

void enter() {
    if (QWidget* focus = QApplication::focusWidget()) {
        QTest::keyClick(focus, Qt::Key_Return);
    }
    // The delegate commits once the key event is done.
    QTest::qWait(100);
}

int fresh(const QString& prefix) {
    using extcalc::workbook::WorkbookWindow;
    WorkbookWindow window;
    window.show();
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window)) {
        return 1;
    }
    QTableView* table = window.table();
    bool ok = saveScreen(window, prefix + QStringLiteral("-1-empty.png"));
    // The first unit: Insert, its name typed, then the area, the editor still open.
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Insert);
    QTest::keyClick(table, Qt::Key_F2);
    typeIntoEditor(QStringLiteral("一层 门厅"));
    enter();
    table->setCurrentIndex(window.model()->index(0, 6));
    QTest::keyClick(table, Qt::Key_F2);
    typeIntoEditor(QStringLiteral("380"));
    ok = saveScreen(window, prefix + QStringLiteral("-2-typing.png")) && ok;
    enter();
    // A second unit after it, and its K picked from the list opened with F4.
    QTest::keyClick(table, Qt::Key_Insert);
    table->setCurrentIndex(window.model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_F2);
    typeIntoEditor(QStringLiteral("消防控制室"));
    enter();
    table->setCurrentIndex(window.model()->index(1, 4));
    QTest::keyClick(table, Qt::Key_F4);
    ok = saveScreen(window, prefix + QStringLiteral("-3-k-list.png")) && ok;
    if (auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"))) {
        QTest::keyClick(combo->view(), Qt::Key_Down);
        QTest::keyClick(combo->view(), Qt::Key_Return);
    }
    QTest::qWait(100);
    table->setCurrentIndex(window.model()->index(1, 8));
    QTest::keyClick(table, Qt::Key_Down, Qt::AltModifier);
    ok = saveScreen(window, prefix + QStringLiteral("-4-models.png")) && ok;
    if (auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"))) {
        QTest::keyClick(combo->view(), Qt::Key_Escape);
    }
    QTest::qWait(100);
    // A third unit, E class, whose problems the pane shows.
    table->setCurrentIndex(window.model()->index(1, 0));
    QTest::keyClick(table, Qt::Key_Insert);
    table->setCurrentIndex(window.model()->index(2, 1));
    QTest::keyClick(table, Qt::Key_E);
    enter();
    table->setCurrentIndex(window.model()->index(2, 0));
    ok = saveScreen(window, prefix + QStringLiteral("-5-problems.png")) && ok;
    table->horizontalScrollBar()->setValue(table->horizontalScrollBar()->maximum());
    ok = saveScreen(window, prefix + QStringLiteral("-6-scrolled.png")) && ok;
    return ok ? 0 : 1;
}

// A kitchen of solids and cooking oil: its class list open, B being checked beside A.
int classes(const QString& out, const QString& file) {
    extcalc::building::Project project;
    project.info.name = "示例食堂";
    project.units = {{"一层 厨房", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "200",
                      "2", "MF/ABC4"},
                     {"一层 餐厅", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "480",
                      "3", "MF/ABC4"}};
    if (extcalc::building::writeProjectFile(file.toStdString(), project)) {
        std::fputs("project not written\n", stderr);
        return 1;
    }
    extcalc::workbook::WorkbookWindow window;
    window.move(0, 0);
    window.resize(1270, 760);
    window.openFile(file);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        std::fputs("window not shown\n", stderr);
        return 1;
    }
    QTableView* table = window.table();
    table->setFocus();
    table->setCurrentIndex(window.model()->index(0, 1));
    table->edit(table->currentIndex());
    auto* combo = table->findChild<QComboBox*>(QStringLiteral("cellChoice"));
    if (combo == nullptr) {
        std::fputs("no class list\n", stderr);
        return 1;
    }
    if (!QTest::qWaitFor([combo] { return combo->view()->isVisible(); })) {
        combo->showPopup();
    }
    QAbstractItemView* list = combo->view();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualRect(list->model()->index(1, 0)).center());
    QTest::qWait(400);
    return window.screen()->grabWindow(0).save(out) ? 0 : 1;
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs(
            "usage: extcalc-workbook-screenshot OUT.png | --fresh PREFIX | --plan PROJECT ROW "
            "OUT\n",
            stderr);
        return 2;
    }
    extcalc::ui::setUpApplication(app);
    QTemporaryDir dir;
    // A first start: nothing remembered, and nothing of the user's touched.
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
        QSettings::setPath(format, QSettings::UserScope, dir.filePath(QStringLiteral("settings")));
    }
    if (argc >= 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--fresh")) {
        return fresh(QString::fromLocal8Bit(argv[2]));
    }
    if (argc >= 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--classes")) {
        return classes(QString::fromLocal8Bit(argv[2]),
                       dir.filePath(QStringLiteral("示例食堂.exdesign")));
    }
    // --plan PROJECT ROW OUT.png: the project open with the unit of ROW current, its plan in
    // the pane beside the table (docs/plan.png).
    if (argc >= 5 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--plan")) {
        extcalc::workbook::WorkbookWindow window;
        window.move(0, 0);
        window.resize(1270, 760);
        window.openFile(QString::fromLocal8Bit(argv[2]));
        window.show();
        if (!QTest::qWaitForWindowExposed(&window)) {
            return 1;
        }
        window.table()->setFocus();
        window.table()->setCurrentIndex(
            window.model()->index(QString::fromLocal8Bit(argv[3]).toInt(), 0));
        window.statusBar()->clearMessage();
        QTest::qWait(400);
        const QRect shown = window.frameGeometry();
        const QPixmap shot =
            window.screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
        return shot.save(QString::fromLocal8Bit(argv[4])) ? 0 : 1;
    }
    const QString file = dir.filePath(QStringLiteral("示例办公楼.exdesign"));
    if (extcalc::building::writeProjectFile(file.toStdString(), sampleBuilding())) {
        return 1;
    }
    extcalc::workbook::WorkbookWindow window;
    window.move(0, 0);
    window.resize(1270, 760);
    window.openFile(file);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    // The unit in error is the current one: the pane under the table reads its problems
    // in full.
    QTableView* table = window.table();
    table->setFocus();
    table->setCurrentIndex(window.model()->index(14, 6));
    window.statusBar()->clearMessage();
    QTest::qWait(400);
    const QRect shown = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
