// SPDX-License-Identifier: MIT
#pragma once

// Texts that more than one front end shows: the result labels and the messages
// raised by the calculation and by the class-D choice.

#include <string_view>

namespace extcalc::text {

inline constexpr std::string_view kLabelQ1 = "灭火级别Q1=";
inline constexpr std::string_view kLabelQ = "修正后灭火级别Q=";
inline constexpr std::string_view kLabelN = "需要灭火器数量N=";

inline constexpr std::string_view kIncompleteInput = "输入的选项及数据不全，请核对！";
inline constexpr std::string_view kAreaOutOfRange = "建筑面积数值超出范围，请核对！";
inline constexpr std::string_view kNoteTitle = "注意";

inline constexpr std::string_view kClassDNotice = "需会同当地公安消防监督部门协商解决";
inline constexpr std::string_view kClassDTitle = "确定";

}  // namespace extcalc::text
