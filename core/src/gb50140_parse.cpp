// SPDX-License-Identifier: MIT
// Readers for the answers a designer types. They are strict on purpose: a figure that is
// read differently from what was meant (1,500 as 1.5, 1e3 as 1) would give a wrong
// configuration without anyone noticing, so anything unusual is refused with its reason.

#include <algorithm>
#include <array>
#include <cstdint>

#include "extcalc/gb50140.h"

namespace extcalc::gb50140 {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view trim(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// Full-width digits (U+FF10–U+FF19) and the full-width full stop (U+FF0E).
bool startsFullWidth(std::string_view text) {
    return text.size() >= 3 && text[0] == '\xEF' && text[1] == '\xBC' &&
           ((text[2] >= '\x90' && text[2] <= '\x99') || text[2] == '\x8E');
}

template <typename T>
Parsed<T> fail(ParseError error) {
    return Parsed<T>{T{}, error};
}

// Leading ASCII digits as a number, stopping (with `overflow` set) once it passes `limit`.
struct Digits {
    std::int64_t value = 0;
    std::size_t count = 0;
    bool overflow = false;
};
Digits readDigits(std::string_view text, std::int64_t limit) {
    Digits d;
    while (d.count < text.size() && isDigit(text[d.count])) {
        if (!d.overflow) {
            d.value = d.value * 10 + (text[d.count] - '0');
            d.overflow = d.value > limit;
        }
        ++d.count;
    }
    return d;
}

// Whether what follows a number is a unit of area, possibly after blanks.
bool isAreaUnit(std::string_view rest) {
    rest = trim(rest);
    return rest.empty() || rest == "平方米" || rest == "m2" || rest == "m²";
}

ParseError afterNumber(std::string_view rest) {
    if (rest.size() >= 2 && rest[0] == ',' && isDigit(rest[1])) {
        return ParseError::ThousandsSeparator;
    }
    if (!rest.empty() && (rest[0] == 'e' || rest[0] == 'E')) {
        return ParseError::Exponent;
    }
    if (startsFullWidth(rest)) {
        return ParseError::FullWidth;
    }
    return ParseError::TrailingText;
}

}  // namespace

std::string_view parseErrorText(ParseError error) {
    switch (error) {
        case ParseError::None:
            return {};
        case ParseError::Empty:
            return "未填写";
        case ParseError::NotANumber:
            return "不是数字";
        case ParseError::Negative:
            return "不能为负数";
        case ParseError::Zero:
            return "必须大于0";
        case ParseError::TooLarge:
            return "数值过大（面积不超过1000000000平方米，设置点不超过10000个）";
        case ParseError::TooManyDecimals:
            return "小数位数过多（最多6位）";
        case ParseError::ThousandsSeparator:
            return "请勿使用千位分隔符";
        case ParseError::Exponent:
            return "请勿使用科学计数法";
        case ParseError::FullWidth:
            return "请使用半角数字和小数点";
        case ParseError::TrailingText:
            return "数字后有多余内容（只可跟单位 平方米、m2 或 m²）";
        case ParseError::NotWhole:
            return "必须为整数";
        case ParseError::UnknownFireClass:
            return "火灾种类应为 A、B、C、D 或 E，几种时用+连接，如 A+B";
        case ParseError::RepeatedFireClass:
            return "同一火灾种类只能写一次";
        case ParseError::UnknownHazard:
            return "危险等级应为 1、2、3 或 轻危险级、中危险级、严重危险级";
        case ParseError::UnknownK:
            return "修正系数应为 1–5 项之一、其名称或数值 1.0、0.9、0.7、0.5、0.3";
        case ParseError::UnknownExtinguisher:
            return "无此灭火器型号；自备型号请写成如 3A/55B、4A、89B、6A/推车式";
        case ParseError::RatingOutOfRange:
            return "灭火级别应为 1–9999";
    }
    return {};
}

Parsed<std::int64_t> parseArea(std::string_view text) {
    text = trim(text);
    if (text.empty()) {
        return fail<std::int64_t>(ParseError::Empty);
    }
    if (text[0] == '-') {
        return fail<std::int64_t>(ParseError::Negative);
    }
    if (startsFullWidth(text)) {
        return fail<std::int64_t>(ParseError::FullWidth);
    }
    if (!isDigit(text[0])) {
        return fail<std::int64_t>(ParseError::NotANumber);
    }
    const Digits whole = readDigits(text, kMaxAreaM2);
    std::string_view rest = text.substr(whole.count);
    std::int64_t fraction = 0;
    std::size_t decimals = 0;
    if (!rest.empty() && rest[0] == '.') {
        const Digits frac = readDigits(rest.substr(1), INT64_MAX / 10);
        if (frac.count == 0) {
            return fail<std::int64_t>(rest.size() > 1 && startsFullWidth(rest.substr(1))
                                          ? ParseError::FullWidth
                                          : ParseError::TrailingText);
        }
        decimals = frac.count;
        fraction = frac.value;
        rest = rest.substr(1 + frac.count);
    }
    if (!isAreaUnit(rest)) {
        return fail<std::int64_t>(afterNumber(rest));
    }
    if (decimals > static_cast<std::size_t>(kMaxAreaDecimals)) {
        return fail<std::int64_t>(ParseError::TooManyDecimals);
    }
    if (whole.overflow) {
        return fail<std::int64_t>(ParseError::TooLarge);
    }
    for (std::size_t i = decimals; i < static_cast<std::size_t>(kMaxAreaDecimals); ++i) {
        fraction *= 10;
    }
    const std::int64_t millionths = whole.value * 1'000'000 + fraction;
    if (millionths == 0) {
        return fail<std::int64_t>(ParseError::Zero);
    }
    if (millionths > kMaxAreaM2 * 1'000'000) {
        return fail<std::int64_t>(ParseError::TooLarge);
    }
    return {millionths, ParseError::None};
}

Parsed<FireClass> parseFireClass(std::string_view text) {
    text = trim(text);
    const auto rows = fireClasses();
    const auto row = std::find_if(rows.begin(), rows.end(), [&](const FireClassRow& r) {
        return text.size() == 1 && (text[0] == r.letter || text[0] == r.letter - 'A' + 'a');
    });
    return row == rows.end() ? fail<FireClass>(ParseError::UnknownFireClass)
                             : Parsed<FireClass>{row->fireClass, ParseError::None};
}

Parsed<ClassSet> parseFireClasses(std::string_view text) {
    constexpr std::string_view kWidePlus = "\uFF0B";
    ClassSet classes;
    while (true) {
        const std::size_t ascii = text.find('+');
        const std::size_t wide = text.find(kWidePlus);
        const std::size_t end = std::min(ascii, wide);
        const auto one = parseFireClass(text.substr(0, end));
        if (!one) {
            return fail<ClassSet>(ParseError::UnknownFireClass);
        }
        if (classes.has(one.value)) {
            return fail<ClassSet>(ParseError::RepeatedFireClass);
        }
        classes.add(one.value);
        if (end == std::string_view::npos) {
            return {classes, ParseError::None};
        }
        text.remove_prefix(end + (end == ascii ? 1 : kWidePlus.size()));
    }
}

Parsed<int> parseHazard(std::string_view text) {
    text = trim(text);
    const auto levels = hazardLevels();
    const auto level = std::find_if(levels.begin(), levels.end(), [&](const HazardLevel& l) {
        return text == l.name || (text.size() == 1 && text[0] - '0' == l.number);
    });
    return level == levels.end() ? fail<int>(ParseError::UnknownHazard)
                                 : Parsed<int>{level->number, ParseError::None};
}

Parsed<int> parseKItem(std::string_view text) {
    text = trim(text);
    // A value: 0.d or 1.0 with any number of trailing zeros.
    int tenths = -1;
    if (text.size() >= 3 && text.size() <= 8 && (text[0] == '0' || text[0] == '1') &&
        text[1] == '.' && isDigit(text[2]) &&
        text.substr(3).find_first_not_of('0') == std::string_view::npos) {
        tenths = (text[0] - '0') * 10 + (text[2] - '0');
    }
    const auto items = kItems();
    const auto item = std::find_if(items.begin(), items.end(), [&](const KItem& k) {
        return text == k.text || (text.size() == 1 && text[0] - '0' == k.number) ||
               k.tenths == tenths;
    });
    return item == items.end() ? fail<int>(ParseError::UnknownK)
                               : Parsed<int>{item->number, ParseError::None};
}

Parsed<int> parsePoints(std::string_view text) {
    text = trim(text);
    if (text.empty()) {
        return fail<int>(ParseError::Empty);
    }
    if (text[0] == '-') {
        return fail<int>(ParseError::Negative);
    }
    if (startsFullWidth(text)) {
        return fail<int>(ParseError::FullWidth);
    }
    const Digits d = readDigits(text, kMaxPoints);
    if (d.count == 0) {
        return fail<int>(ParseError::NotANumber);
    }
    if (d.count < text.size()) {
        return fail<int>(text[d.count] == '.' ? ParseError::NotWhole
                                              : afterNumber(text.substr(d.count)));
    }
    if (d.overflow) {
        return fail<int>(ParseError::TooLarge);
    }
    if (d.value == 0) {
        return fail<int>(ParseError::Zero);
    }
    return {static_cast<int>(d.value), ParseError::None};
}

Parsed<std::variant<const Model*, CustomModel>> parseExtinguisher(std::string_view text) {
    using Choice = std::variant<const Model*, CustomModel>;
    text = trim(text);
    if (text.empty()) {
        return fail<Choice>(ParseError::Empty);
    }
    if (const Model* model = findModel(text)) {
        return {model, ParseError::None};
    }
    constexpr std::string_view kWheeledMark = "/推车式";
    CustomModel custom;
    if (text.ends_with(kWheeledMark)) {
        custom.wheeled = true;
        text.remove_suffix(kWheeledMark.size());
    }
    bool outOfRange = false;
    for (int part = 0; part < 2 && !text.empty(); ++part) {
        if (part == 1) {
            if (text[0] != '/') {
                return fail<Choice>(ParseError::UnknownExtinguisher);
            }
            text.remove_prefix(1);
        }
        const Digits d = readDigits(text, kMaxCustomRating);
        if (d.count == 0 || d.count >= text.size()) {
            return fail<Choice>(ParseError::UnknownExtinguisher);
        }
        const char letter = text[d.count];
        int* target = nullptr;
        if (letter == 'A' || letter == 'a') {
            target = &custom.ratingA;
        } else if (letter == 'B' || letter == 'b') {
            target = &custom.ratingB;
        }
        if (target == nullptr || *target != 0) {
            return fail<Choice>(ParseError::UnknownExtinguisher);
        }
        // An out-of-range rating still occupies its letter, so "0A/0A" is no model at all.
        const bool bad = d.overflow || d.value == 0;
        outOfRange = outOfRange || bad;
        *target = bad ? 1 : static_cast<int>(d.value);
        text.remove_prefix(d.count + 1);
    }
    if (!text.empty() || (custom.ratingA == 0 && custom.ratingB == 0)) {
        return fail<Choice>(ParseError::UnknownExtinguisher);
    }
    if (outOfRange) {
        return fail<Choice>(ParseError::RatingOutOfRange);
    }
    return {custom, ParseError::None};
}

}  // namespace extcalc::gb50140
