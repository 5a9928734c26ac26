// SPDX-License-Identifier: MIT
// Takes docs/workbook.png: the workbook with a sample building on a real display (run it
// under Xvfb), a unit with an error and one with a warning among them.
//
//   extcalc-workbook-screenshot OUT.png

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>
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

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fputs("usage: extcalc-workbook-screenshot OUT.png\n", stderr);
        return 2;
    }
    extcalc::ui::setUpApplication(app);
    QTemporaryDir dir;
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
    // The problem of the unit in error, as hovering over it shows it.
    QTableView* table = window.table();
    table->setCurrentIndex(window.model()->index(2, 6));
    const QModelIndex failed = window.model()->index(14, 0);
    const QRect cell = table->visualRect(failed);
    QTest::qWait(200);
    QToolTip::showText(table->viewport()->mapToGlobal(cell.center()),
                       failed.data(Qt::ToolTipRole).toString(), table->viewport());
    QTest::qWait(400);
    const QRect shown = window.frameGeometry();
    const QPixmap shot =
        window.screen()->grabWindow(0, shown.x(), shown.y(), shown.width(), shown.height());
    return shot.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
