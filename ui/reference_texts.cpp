// SPDX-License-Identifier: MIT
#include "reference_texts.h"

#include <array>
#include <span>
#include <string_view>

namespace extcalc::ui::reference {
namespace {

// The light-hazard heading has no colon, unlike the other two; that is how the
// published lists read.
constexpr std::array<std::string_view, 9> kLight{
    "轻危险级范围",
    "1.电影院、剧院、会堂、礼堂、体育馆的观众厅",
    "2.医院门诊部、住院部",
    "3.学校教学楼、幼儿园与托儿所的活动室",
    "4.办公楼",
    "5.车站、码头、机场的候车、候船、候机厅",
    "6.普通旅馆",
    "7.商店",
    "8.十层及十层以上的普通住宅",
};

constexpr std::array<std::string_view, 16> kMedium{
    "中危险级范围：",
    "1.设有空调设备、电子计算机、复印机等的办公室",
    "2.学校或科研单位的理化实验室",
    "3.广播、电视的录音室、播音室",
    "4.高级旅馆的其它部位",
    "5.电影院、剧院、会堂、礼堂、体育馆的放映室",
    "6.百货楼、营业厅、综合商场",
    "7.图书馆、书库",
    "8.多功能厅、餐厅及厨房",
    "9.展览厅",
    "10.医院的理疗室、透视室、心电图室",
    "11.重点文物保护场所",
    "12.邮政信函和包裹分捡房、邮袋库",
    "13.高级住宅",
    "14.燃油、燃气锅炉房",
    "15.民用的油浸变压器室和高、低压配电室",
};

constexpr std::array<std::string_view, 11> kSevere{
    "严重危险级范围：",
    "1.重要的资料室、档案室",
    "2.设备贵重或可燃物多的实验室",
    "3.广播电视演播室、道具间",
    "4.电子计算机房及数据库",
    "5.重要的电信机房",
    "6.高级旅馆的公共活动用房及大厨房",
    "7.电影院、剧院、会堂、礼堂的舞台及后台部分",
    "8.医院的手术室、药房和病历室",
    "9.博物馆、图书馆的珍藏室、复印室",
    "10.电影、电视摄影棚",
};

// Names the version a report should quote, credits the project, not a person,
// and sends comments where the project really receives them.
constexpr std::array<std::string_view, 3> kAbout{
    "建筑灭火器配置设计计算程序 版本 " EXTCALC_VERSION,
    "本程序由 extinguisher-calc 项目设计编写，依据《建筑灭火器配置设计规范》GBJ140-90。",
    "欢迎在本项目代码仓库的问题跟踪（Issues）中提出意见和建议。",
};

std::string joinLines(std::span<const std::string_view> lines) {
    std::string text;
    for (const std::string_view line : lines) {
        if (!text.empty()) {
            text += "\r\n";
        }
        text += line;
    }
    return text;
}

}  // namespace

std::string lightHazard() {
    return joinLines(kLight);
}

std::string mediumHazard() {
    return joinLines(kMedium);
}

std::string severeHazard() {
    return joinLines(kSevere);
}

std::string about() {
    return joinLines(kAbout);
}

}  // namespace extcalc::ui::reference
