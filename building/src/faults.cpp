// SPDX-License-Identifier: MIT
#include "extcalc/faults.h"

#include <array>

#include "extcalc/csv.h"
#include "extcalc/texts.h"

namespace extcalc::building {
namespace {

struct FieldNames {
    std::string_view column;
    std::string_view option;
};
constexpr std::array<FieldNames, static_cast<std::size_t>(Field::kCount)> kFieldNames{{
    {"火灾类别", "--class"},
    {"危险等级", "--hazard"},
    {"修正系数", "--k"},
    {"地下建筑", "--underground"},
    {"灭火器", "--extinguisher"},
    {"建筑面积", "--area"},
}};
constexpr std::array<FieldNames, 7> kFieldNames2005{{
    {"E类依据", "--e-basis"},
    {"特殊场所", "--special"},
    {"设置点数", "--points"},
    {"非金属喇叭喷筒", "--nonmetal-horn"},
    {"依据", ""},
    {"平面", ""},
    {"设置点", ""},
}};

const FieldNames* namesOf(Field field) {
    if (field < Field::kCount) {
        return &kFieldNames.at(static_cast<std::size_t>(field));
    }
    if (field > Field::None && field <= Field::PointsAt) {
        return &kFieldNames2005.at(static_cast<std::size_t>(field) -
                                   static_cast<std::size_t>(Field::EBasis));
    }
    return nullptr;
}

// The words before the quoted answer: the column alone, or the option's value.
std::string subject(Field field, Naming naming) {
    if (naming == Naming::Column) {
        return std::string(columnName(field));
    }
    return "选项 " + std::string(optionName(field)) + " 的取值";
}

std::string quoted(std::string_view answer) {
    return "“" + std::string(answer) + "”";
}

// ０ to ９ in UTF-8: EF BC 90 to EF BC 99.
bool containsFullWidthDigit(std::string_view text) {
    for (std::size_t i = 0; i + 2 < text.size(); ++i) {
        if (text.substr(i, 2) == "\xEF\xBC" && static_cast<unsigned char>(text[i + 2]) >= 0x90 &&
            static_cast<unsigned char>(text[i + 2]) <= 0x99) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::string_view columnName(Field field) {
    const FieldNames* names = namesOf(field);
    return names != nullptr ? names->column : std::string_view{};
}

std::string_view optionName(Field field) {
    const FieldNames* names = namesOf(field);
    return names != nullptr ? names->option : std::string_view{};
}

std::string describe(const Fault& fault, Naming naming) {
    const bool option = naming == Naming::Option;
    switch (fault.code) {
        case FaultCode::Missing: {
            // Only class E needs the basis; say why it is asked for.
            const std::string why =
                fault.field == Field::EBasis ? "（E类火灾须说明按A类还是B类的规定确定）" : "";
            return (option ? "缺少选项 " + std::string(optionName(fault.field))
                           : "缺少" + std::string(columnName(fault.field))) +
                   why;
        }
        case FaultCode::BadFireClass:
            return subject(fault.field, naming) + quoted(fault.answer) +
                   "无效（应为 A、B、C 或 D）";
        case FaultCode::ClassD:
            return option ? std::string(text::kClassDNotice)
                          : "D类火灾不作计算：" + std::string(text::kClassDNotice);
        case FaultCode::NotInList: {
            // A table names the list, since its rows mix classes; the command line
            // points to --list, which prints them all.
            const std::string whose = option ? "" : fault.listName + "的";
            return subject(fault.field, naming) + quoted(fault.answer) + "不在" + whose +
                   "列表中（应为 1 到 " + std::to_string(fault.listSize) + " 的编号或列表中的原文" +
                   (option ? "；用 --list 查看）" : "）");
        }
        case FaultCode::BadYesNo:
            return subject(fault.field, naming) + quoted(fault.answer) +
                   "无效（应为 是、否、yes 或 no）";
        case FaultCode::AreaNotNumber:
            return subject(fault.field, naming) + quoted(fault.answer) + "不是数值" +
                   (containsFullWidthDigit(fault.answer) ? "（全角数字不能用于数值，请用半角数字）"
                                                         : "");
        case FaultCode::AreaTextIgnored: {
            // Say what was read and what was left, and name the usual causes, so that a
            // designer sees at once why 1,200 m² became 1 m².
            std::string hint;
            if (fault.ignored.starts_with(",") || fault.ignored.starts_with("，")) {
                hint = "（千位分隔符不能用于数值）";
            } else if (containsFullWidthDigit(fault.answer)) {
                hint = "（全角数字不能用于数值，请用半角数字）";
            }
            if (fault.ignored == fault.answer) {
                return subject(fault.field, naming) + quoted(fault.answer) + "不是数值" + hint +
                       "，读作 " + fault.read;
            }
            return subject(fault.field, naming) + quoted(fault.answer) + "中的" +
                   quoted(fault.ignored) + "不是数值的一部分" + hint + "，只读到 " + fault.read;
        }
        case FaultCode::AreaNegative:
            return subject(fault.field, naming) + quoted(fault.answer) + "是负数，建筑面积不能为负";
        case FaultCode::Unreadable:
            return subject(fault.field, naming) + quoted(fault.answer) + "无效：" +
                   std::string(gb50140::parseErrorText(fault.parseError));
        case FaultCode::BadBasis:
            return subject(fault.field, naming) + quoted(fault.answer) + "无效（应为 A 或 B）";
        case FaultCode::BasisNotForClass:
            return subject(fault.field, naming) + quoted(fault.answer) +
                   "只用于E类火灾，其他类别不应给出";
        case FaultCode::IncompleteInput:
            return std::string(text::kIncompleteInput);
        case FaultCode::AreaOutOfRange:
            return std::string(text::kAreaOutOfRange);
        case FaultCode::NegativeCount:
            return "需要灭火器数量N为负数（建筑面积为负？），无法给出配置数量";
        case FaultCode::NoResult:
            break;
        case FaultCode::RowTooLong:
            return "本行过长（超过 " + std::to_string(csv::Reader::kDefaultMaxRecordBytes) +
                   " 字节），超出部分没有读入";
        case FaultCode::UnclosedQuote:
            return "引号没有闭合，本行之后直到文件末尾的内容都被读进了这一格";
        case FaultCode::TextAfterClosingQuote:
            return "引号使用有误：右引号之后、逗号之前还有文字";
        case FaultCode::TooManyCells:
            return "本行有 " + std::to_string(fault.cells) + " 格，多于表头的 " +
                   std::to_string(fault.columns) + " 列（含英文逗号的选项原文须整格加英文双引号）";
    }
    return "无法计算";
}

std::string describeAll(const std::vector<Fault>& faults, Naming naming) {
    std::string text;
    for (const Fault& fault : faults) {
        if (!text.empty()) {
            text += "；";
        }
        text += describe(fault, naming);
    }
    return text;
}

}  // namespace extcalc::building
