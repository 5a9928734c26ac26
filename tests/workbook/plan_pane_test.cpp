// SPDX-License-Identifier: MIT
// The plan pane driven by the mouse and the keyboard: points dragged, added and taken away,
// outlines typed, each a step the undo stack takes back; the drawing follows the check.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <fstream>
#include <memory>
#include <variant>

#include "extcalc/plan_view.h"
#include "extcalc/project.h"
#include "extcalc/units.h"
#include "plan_pane.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

namespace extcalc::test {
namespace {

using building::Project;

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

building::UnitCells unit(const std::string& name, const std::string& outline,
                         const std::string& points) {
    building::UnitCells cells(building::inputColumns(building::Standard::Gb50140_2005).size());
    cells[0] = name;
    cells[static_cast<std::size_t>(inputColumn("class"))] = "A";
    cells[static_cast<std::size_t>(inputColumn("hazard"))] = "中危险级";
    cells[static_cast<std::size_t>(inputColumn("k"))] = "1.0";
    cells[static_cast<std::size_t>(inputColumn("special"))] = "否";
    cells[static_cast<std::size_t>(inputColumn("extinguisher"))] = "MF/ABC4";
    cells[static_cast<std::size_t>(inputColumn("outline"))] = outline;
    cells[static_cast<std::size_t>(inputColumn("points_at"))] = points;
    return cells;
}

void writeText(const QString& path, const std::string& text) {
    std::ofstream out(path.toStdString(), std::ios::binary);
    out << text;
}

std::size_t uncoveredAreas(const plan::draw::Drawing& d) {
    std::size_t n = 0;
    for (const auto& item : d.items) {
        if (const auto* shape = std::get_if<plan::draw::Area>(&item)) {
            n += shape->ink == plan::draw::Ink::Uncovered ? 1 : 0;
        }
    }
    return n;
}

class PlanPaneTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
            QSettings::setPath(format, QSettings::UserScope,
                               dir.filePath(QStringLiteral("settings")));
        }
        qputenv("EXTINGUISHER_DESIGN_RECOVERY_DIR",
                dir.filePath(QStringLiteral("recovery")).toUtf8());
        window = std::make_unique<workbook::WorkbookWindow>([this](QWidget*, const Message& m) {
            shown.emplace_back(m.text);
            return Answer::Ok;
        });
        window->resize(1280, 800);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        Project project;
        project.standard = building::Standard::Gb50140_2005;
        project.info.name = "平面试验";
        // The area estimate's two points in a 68 m × 30 m shop floor at R = 20 m: the
        // corners are out of reach.
        project.units = {unit("商场", "68x30", "17 0.25; 51 29.75"), unit("库房", "", "")};
        const QString file = dir.filePath(QStringLiteral("平面试验.exdesign"));
        writeText(file, building::projectJson(project));
        ASSERT_TRUE(window->openFile(file));
        selectRow(0);
        pane = window->planPane();
        ASSERT_NE(pane, nullptr);
        canvas = pane->canvas();
        ASSERT_TRUE(canvas->figure().has_value());
    }

    void selectRow(int row) {
        window->table()->setFocus();
        window->table()->setCurrentIndex(window->model()->index(row, 0));
        QCoreApplication::processEvents();
    }
    std::string cell(int row, std::string_view key) const {
        return window->model()
            ->workbook()
            .cells(static_cast<std::size_t>(row))
            .at(static_cast<std::size_t>(inputColumn(key)));
    }
    std::vector<plan::Point> points() const { return canvas->figure()->points; }
    QPoint at(plan::Point metres) const { return canvas->toWidget(metres).toPoint(); }
    void undo() { QTest::keyClick(window.get(), Qt::Key_Z, Qt::ControlModifier); }

    QTemporaryDir dir;
    std::unique_ptr<workbook::WorkbookWindow> window;
    workbook::PlanPane* pane = nullptr;
    workbook::PlanCanvas* canvas = nullptr;
    std::vector<std::string> shown;
};

TEST_F(PlanPaneTest, ShowsTheSelectedUnitAndItsFailingCheck) {
    EXPECT_EQ(pane->outlineEdit()->text(), QStringLiteral("68x30"));
    ASSERT_EQ(points().size(), 2u);
    EXPECT_GT(uncoveredAreas(canvas->drawing()), 0u);
    // Each point with the model and the count that stands there: 68 × 30 m², K 1.0, U 75
    // m²/A gives Q = 28A, 14A a point, 7 of MF/ABC4 (2A).
    const std::vector<std::string> labels(2, "MF/ABC4 × 7");
    EXPECT_EQ(canvas->figure()->labels, labels);
    EXPECT_TRUE(pane->message()->text().startsWith(QStringLiteral("5.2.1 最大保护距离 20 m")))
        << pane->message()->text().toStdString();
    EXPECT_NE(pane->message()->text().indexOf(QStringLiteral(" > 20 m")), -1);
    // A unit without a plan shows none.
    selectRow(1);
    EXPECT_FALSE(canvas->figure().has_value());
    EXPECT_TRUE(pane->outlineEdit()->text().isEmpty());
}

TEST_F(PlanPaneTest, APointDraggedMovesAndUndoPutsItBack) {
    const std::string before = cell(0, "points_at");
    const plan::Point from = points()[0];
    const QPoint press = at(from);
    const QPoint release = at({30, 0.25});
    QTest::mousePress(canvas, Qt::LeftButton, Qt::NoModifier, press);
    QTest::mouseMove(canvas, (press + release) / 2);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::NoModifier, release);
    QCoreApplication::processEvents();
    ASSERT_EQ(points().size(), 2u);
    const plan::Point moved = points()[0];
    const double metresPerPixel = 1.0 / canvas->drawing().scale;
    EXPECT_NEAR(moved.x, 30, 2 * metresPerPixel);
    EXPECT_NEAR(moved.y, 0.25, 2 * metresPerPixel);
    EXPECT_NE(cell(0, "points_at"), before);
    undo();
    EXPECT_EQ(cell(0, "points_at"), before);
    EXPECT_EQ(points()[0], from);
}

TEST_F(PlanPaneTest, ClicksAddAndRightClicksRemovePointsEachUndone) {
    const std::string before = cell(0, "points_at");
    struct Step {
        const char* name;
        Qt::MouseButton button;
        plan::Point where;
        std::size_t count;
    };
    const Step steps[] = {
        {"a click on the floor adds a point", Qt::LeftButton, {2, 28}, 3},
        {"another", Qt::LeftButton, {66, 2}, 4},
        {"a right click on a point takes it", Qt::RightButton, {17, 0.25}, 3},
        {"a click outside the room adds nothing", Qt::LeftButton, {80, 15}, 3},
        {"a right click off every point takes nothing", Qt::RightButton, {40, 15}, 3},
    };
    for (const Step& s : steps) {
        QTest::mouseClick(canvas, s.button, Qt::NoModifier, at(s.where));
        QCoreApplication::processEvents();
        EXPECT_EQ(points().size(), s.count) << s.name;
    }
    undo();  // the right click
    EXPECT_EQ(points().size(), 4u);
    undo();
    undo();
    EXPECT_EQ(cell(0, "points_at"), before);
}

TEST_F(PlanPaneTest, CoveringTheCornersTurnsTheCheckGreen) {
    for (const plan::Point p : {plan::Point{2, 2}, plan::Point{66, 2}, plan::Point{2, 28},
                                plan::Point{66, 28}, plan::Point{34, 15}}) {
        QTest::mouseClick(canvas, Qt::LeftButton, Qt::NoModifier, at(p));
        QCoreApplication::processEvents();
    }
    EXPECT_EQ(uncoveredAreas(canvas->drawing()), 0u);
    EXPECT_NE(pane->message()->text().indexOf(QStringLiteral(" ≤ 20 m")), -1)
        << pane->message()->text().toStdString();
}

TEST_F(PlanPaneTest, TypedOutlinesBecomeTheCellAndUndo) {
    struct Case {
        const char* typed;
        std::string cell;
    };
    // Both hold the unit's two fixed points.
    const Case cases[] = {
        {"70x31", "70x31"},
        {"0 0; 70 0; 70 31; 40 31; 40 20; 0 20",
         plan::outlineText({{{0, 0}, {70, 0}, {70, 31}, {40, 31}, {40, 20}, {0, 20}}, {}})},
    };
    for (const Case& c : cases) {
        QLineEdit* edit = pane->outlineEdit();
        edit->setFocus();
        edit->selectAll();
        typeInto(edit, QString::fromUtf8(c.typed));
        QTest::keyClick(edit, Qt::Key_Return);
        QCoreApplication::processEvents();
        EXPECT_EQ(cell(0, "outline"), c.cell) << c.typed;
        ASSERT_TRUE(canvas->figure().has_value());
    }
    undo();
    undo();
    EXPECT_EQ(cell(0, "outline"), "68x30");
    // A room too small for the fixed points is taken, and the pane says why it draws nothing.
    QLineEdit* small = pane->outlineEdit();
    small->setFocus();
    small->selectAll();
    typeInto(small, QStringLiteral("40x20"));
    QTest::keyClick(small, Qt::Key_Return);
    EXPECT_EQ(cell(0, "outline"), "40x20");
    EXPECT_FALSE(canvas->figure().has_value());
    EXPECT_NE(pane->message()->text().indexOf(QStringLiteral("不在平面之内")), -1)
        << pane->message()->text().toStdString();
    undo();
    // What cannot be an outline is said, and the cell stays.
    QLineEdit* edit = pane->outlineEdit();
    edit->setFocus();
    edit->selectAll();
    typeInto(edit, QStringLiteral("0 0; 1 1"));
    QTest::keyClick(edit, Qt::Key_Return);
    EXPECT_EQ(cell(0, "outline"), "68x30");
    EXPECT_TRUE(pane->message()->text().startsWith(QStringLiteral("平面：")));
}

TEST_F(PlanPaneTest, ExportsTheShownPlanAsPngAndSvg) {
    const QString png = dir.filePath(QStringLiteral("商场.png"));
    const QString svg = dir.filePath(QStringLiteral("商场.svg"));
    ASSERT_TRUE(window->exportPlanImage(png));
    ASSERT_TRUE(window->exportPlanImage(svg));
    QImage image(png);
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.width(), static_cast<int>(building::kPlanImageFrame.width));
    // Red of the uncovered region is in the picture.
    bool red = false;
    for (int y = 0; y < image.height() && !red; y += 3) {
        for (int x = 0; x < image.width() && !red; x += 3) {
            const QColor c = image.pixelColor(x, y);
            red = c.red() > 200 && c.green() < 140 && c.blue() < 140;
        }
    }
    EXPECT_TRUE(red);
    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray text = file.readAll();
    EXPECT_TRUE(text.contains("<svg"));
    EXPECT_TRUE(text.contains("盲区"));
    EXPECT_FALSE(window->exportPlanImage(dir.filePath(QStringLiteral("商场.bmp"))));
}

}  // namespace
}  // namespace extcalc::test
