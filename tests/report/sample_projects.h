// SPDX-License-Identifier: MIT
#pragma once

// Projects the report tests share: the published worked example beside units that
// reach every other path of the calculation.

#include "extcalc/project.h"

namespace extcalc::test {

inline building::Project currentProject() {
    building::Project p;
    p.info.name = "示例仓库工程";
    p.info.date = "2026-12-07";
    p.units = {
        {"一层 仓库", "A", "", "中危险级", "设有室内消火栓系统", "否", "1500", "2", "MF/ABC4"},
        {"地下 商场", "A", "", "2", "0.9", "是", "1000", "3", "MF/ABC5"},
        {"配电室", "E", "B", "中危险级", "1", "否", "80", "1", "MF/ABC4"},
        {"镁粉库", "D", "", "严重危险级", "1", "否", "50", "1", "MF/ABC4"},
        {"油漆库", "B", "", "严重危险级", "1", "否", "100", "2", "MS/Q6"},
    };
    return p;
}

inline building::Project classicProject() {
    building::Project p;
    p.info.name = "旧楼复核";
    p.standard = building::Standard::Gbj140_90;
    p.units = {
        {"大厅", "A", "中危险级,15m2/A", "只有消火栓系统，K=0.7", "否",
         "磷酸铵盐干粉，4公斤，8A/具", "300"},
        {"地下车库", "B", "轻危险级,10m2/B", "无其他灭火系统，K=1.0", "是",
         "磷酸铵盐干粉，4公斤，10B/具", "200"},
    };
    return p;
}

// Many units, so that the summary runs over several pages.
inline building::Project largeProject(int units) {
    building::Project p = currentProject();
    p.units.clear();
    for (int i = 0; i < units; ++i) {
        p.units.push_back({"第" + std::to_string(i + 1) + "单元", "A", "", "中危险级", "2", "否",
                           std::to_string(100 + i), "2", "MF/ABC4"});
    }
    return p;
}

}  // namespace extcalc::test
