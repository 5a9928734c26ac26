// SPDX-License-Identifier: MIT
// The workbook's model at a building's scale: ten thousand units read in and computed,
// then one cell edited, which must recompute only its unit and move the totals.
//
//   workbook_bench                      the benchmarks
//   workbook_bench --write FILE [N]     a project of N units (10,000) for timing the window

#include <benchmark/benchmark.h>

#include <QString>
#include <QUndoStack>
#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "extcalc/project.h"
#include "unit_model.h"

namespace {

using extcalc::building::Project;
using extcalc::building::UnitCells;

// A mix of classes, hazards and models, one unit in seven failing, as a building has.
Project building(std::size_t units) {
    const std::array<UnitCells, 7> kinds{{
        {"", "A", "", "中危险级", "设有室内消火栓系统", "否", "860", "4", "MF/ABC3"},
        {"", "B", "", "中危险级", "未设室内消火栓系统和灭火系统", "是", "1950", "16", "MF/ABC4"},
        {"", "E", "B", "中危险级", "未设室内消火栓系统和灭火系统", "否", "210", "2", "MF/ABC4"},
        {"", "A", "", "严重危险级", "设有室内消火栓系统和灭火系统", "否", "1200", "6", "MF/ABC5"},
        {"", "A", "", "轻危险级", "未设室内消火栓系统和灭火系统", "否", "160", "1", "MF/ABC2"},
        {"", "A", "", "中危险级", "未设室内消火栓系统和灭火系统", "否", "2600", "1", "MF/ABC4"},
        {"", "E", "B", "中危险级", "未设室内消火栓系统和灭火系统", "否", "60", "1", "MT3"},
    }};
    Project project;
    project.info.name = "性能测试";
    project.units.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        UnitCells cells = kinds[i % kinds.size()];
        cells[0] = "第 " + std::to_string(i / 40 + 1) + " 层 房间 " + std::to_string(i % 40 + 1);
        project.units.push_back(std::move(cells));
    }
    return project;
}

constexpr std::size_t kUnits = 10'000;
constexpr int kArea = 6;

void Load(benchmark::State& state) {
    const std::string json = extcalc::building::projectJson(building(kUnits));
    QUndoStack undo;
    extcalc::workbook::UnitModel model(&undo);
    for (auto _ : state) {
        auto read = extcalc::building::readProject(json);
        model.reset(std::move(*read.project));
        benchmark::DoNotOptimize(model.rowCount());
    }
}
BENCHMARK(Load)->Unit(benchmark::kMillisecond);

void EditOneCell(benchmark::State& state) {
    QUndoStack undo;
    extcalc::workbook::UnitModel model(&undo);
    model.reset(building(kUnits));
    const QModelIndex area = model.index(static_cast<int>(kUnits / 2), kArea);
    bool wide = false;
    for (auto _ : state) {
        wide = !wide;
        model.setData(area, wide ? QStringLiteral("3000") : QStringLiteral("860"), Qt::EditRole);
        benchmark::DoNotOptimize(model.workbook().grandTotalText());
    }
}
BENCHMARK(EditOneCell)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--write") == 0) {
        const std::size_t units = argc >= 4 ? std::stoul(argv[3]) : kUnits;
        return extcalc::building::writeProjectFile(argv[2], building(units)) ? 1 : 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
