// SPDX-License-Identifier: MIT
#include "choices.h"

#include <cstddef>
#include <iomanip>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

#include "extcalc/gb50140.h"
#include "extcalc/lists.h"
#include "extcalc/texts.h"

namespace extcalc::cli {
namespace {

template <class Item>
void printList(std::ostream& out, std::string_view heading, std::span<const Item> list) {
    out << "  " << heading << '\n';
    for (std::size_t i = 0; i < list.size(); ++i) {
        out << "    " << i + 1 << "  " << list[i].text << '\n';
    }
}

std::string rating(int value, char letter) {
    return value > 0 ? std::to_string(value) + letter : "-";
}

}  // namespace

void printLists(std::ostream& out) {
    const ClassGroup& groupA = *groupOf(FireClass::A);
    const ClassGroup& groupBC = *groupOf(FireClass::B);
    out << "A类火灾（--class A）\n";
    printList(out, "火灾危险等级（--hazard）", groupA.hazards);
    printList(out, "采用灭火器类型（--extinguisher）", groupA.extinguishers);
    out << "B类、C类火灾（--class B 或 --class C）\n";
    printList(out, "火灾危险等级（--hazard）", groupBC.hazards);
    printList(out, "采用灭火器类型（--extinguisher）", groupBC.extinguishers);
    out << "各类火灾通用\n";
    printList(out, "修正系数（--k）", correctionList());
    out << "  是否地下建筑（--underground）\n    yes 或 是；no 或 否\n";
    out << "D类火灾不作计算：" << text::kClassDNotice << '\n';
}

void printLists2005(std::ostream& out) {
    namespace gb = gb50140;
    out << gb::kStandardName << "（--standard 2005）\n";
    out << "火灾种类（--class）\n";
    for (const auto& row : gb::fireClasses()) {
        out << "    " << row.letter << "  " << row.burns << '\n';
    }
    out << "    E类须加 --e-basis A 或 --e-basis B：按该场所A类还是B类的规定确定\n";
    out << "    几类火灾的场所用 + 连接，如 A+B、A+E、B+C（4.1.2）\n";
    out << "火灾危险等级（--hazard，编号或名称）\n";
    for (const auto& level : gb::hazardLevels()) {
        out << "    " << level.number << "  " << level.name << '\n';
    }
    out << "修正系数（--k，编号、原文或数值）\n";
    for (const auto& item : gb::kItems()) {
        out << "    " << item.number << "  " << item.text << "，K = " << item.valueText << '\n';
    }
    out << "特殊场所（--special yes 时 Q 乘以 1.3）\n    " << gb::kSpecialPlaces << '\n';
    out << "灭火器型号（--extinguisher，大小写均可）：型号 A类 B类 形式 类型 充装量\n";
    for (const auto& model : gb::models()) {
        out << "    " << std::left << std::setw(9) << model.code << std::setw(4)
            << rating(model.ratingA, 'A') << std::setw(6) << rating(model.ratingB, 'B')
            << (model.wheeled ? "推车式" : "手提式") << "  " << model.type << ' ' << model.charge
            << '\n';
    }
    out << "自备型号：写出它的灭火级别，A 和 B 各至多一个（1–" << gb::kMaxCustomRating
        << "），用 / 分隔，\n    推车式再加 /推车式，如 3A/55B、4A、89B、6A/推车式\n";
}

}  // namespace extcalc::cli
