// SPDX-License-Identifier: MIT
#include "choices.h"

#include <cstddef>
#include <ostream>
#include <span>
#include <string_view>

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

}  // namespace extcalc::cli
