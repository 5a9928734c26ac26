#include "choices.h"

#include <algorithm>
#include <cctype>
#include <ostream>
#include <string>

#include "extcalc/texts.h"

namespace extcalc::cli {
namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) ==
               std::tolower(static_cast<unsigned char>(y));
    });
}

template <class Item>
void printList(std::ostream& out, std::string_view heading, std::span<const Item> list) {
    out << "  " << heading << '\n';
    for (std::size_t i = 0; i < list.size(); ++i) {
        out << "    " << i + 1 << "  " << list[i].text << '\n';
    }
}

}  // namespace

std::optional<FireClass> parseFireClass(std::string_view answer) {
    constexpr std::string_view kNames[] = {"A", "B", "C", "D"};
    constexpr FireClass kClasses[] = {FireClass::A, FireClass::B, FireClass::C, FireClass::D};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (equalsIgnoringCase(answer, kNames[i])) {
            return kClasses[i];
        }
    }
    return std::nullopt;
}

std::optional<bool> parseUnderground(std::string_view answer) {
    if (equalsIgnoringCase(answer, "yes") || answer == "是") {
        return true;
    }
    if (equalsIgnoringCase(answer, "no") || answer == "否") {
        return false;
    }
    return std::nullopt;
}

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
