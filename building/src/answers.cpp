// SPDX-License-Identifier: MIT
#include "extcalc/answers.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include <fast_float/fast_float.h>

#include "extcalc/numbers.h"

namespace extcalc::building {
namespace {

std::string className(FireClass fireClass) {
    return std::string(1, static_cast<char>('A' + static_cast<int>(fireClass))) + "类火灾";
}

template <class Item>
std::optional<int> choice(std::span<const Item> list, std::string_view answer, Field field,
                          std::string_view listName, std::vector<Fault>& faults) {
    auto found = findChoice(list, answer);
    if (!found) {
        Fault fault{FaultCode::NotInList, field, std::string(answer)};
        fault.listName = listName;
        fault.listSize = list.size();
        faults.push_back(std::move(fault));
    }
    return found;
}

}  // namespace

std::string_view trimmedAnswer(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        const auto lower = [](char c) {
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        return lower(x) == lower(y);
    });
}

std::optional<FireClass> parseFireClass(std::string_view answer) {
    constexpr std::string_view kNames[] = {"A", "B", "C", "D"};
    constexpr FireClass kClasses[] = {FireClass::A, FireClass::B, FireClass::C, FireClass::D};
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        if (equalsIgnoringAsciiCase(answer, kNames[i])) {
            return kClasses[i];
        }
    }
    return std::nullopt;
}

std::optional<bool> parseYesNo(std::string_view answer) {
    if (equalsIgnoringAsciiCase(answer, "yes") || answer == "是") {
        return true;
    }
    if (equalsIgnoringAsciiCase(answer, "no") || answer == "否") {
        return false;
    }
    return std::nullopt;
}

ClassicCheck checkClassic(const ClassicAnswers& answers, AreaRule areaRule) {
    ClassicCheck check;
    auto& faults = check.faults;
    for (std::size_t i = 0; i < static_cast<std::size_t>(Field::kCount); ++i) {
        if (!answers.given.at(i)) {
            faults.emplace_back(FaultCode::Missing, static_cast<Field>(i));
        }
    }

    const auto& classAnswer = answers[Field::Class];
    const ClassGroup* group = nullptr;
    std::optional<FireClass> fireClass;
    if (classAnswer) {
        fireClass = parseFireClass(*classAnswer);
        if (!fireClass) {
            faults.emplace_back(FaultCode::BadFireClass, Field::Class, std::string(*classAnswer));
        } else if (group = groupOf(*fireClass); group == nullptr) {
            faults.emplace_back(FaultCode::ClassD, Field::Class, std::string(*classAnswer));
        }
    }
    // The hazard and extinguisher lists belong to the class: without one there is
    // nothing to look them up in.
    std::optional<int> hazard;
    std::optional<int> extinguisher;
    if (group != nullptr) {
        const std::string listName = className(*fireClass);
        if (const auto& answer = answers[Field::Hazard]) {
            hazard = choice(group->hazards, *answer, Field::Hazard, listName, faults);
        }
        if (const auto& answer = answers[Field::Extinguisher]) {
            extinguisher =
                choice(group->extinguishers, *answer, Field::Extinguisher, listName, faults);
        }
    }
    std::optional<int> correction;
    if (const auto& answer = answers[Field::K]) {
        correction = choice(correctionList(), *answer, Field::K, "修正系数", faults);
    }
    std::optional<bool> underground;
    if (const auto& answer = answers[Field::Underground]) {
        underground = parseYesNo(*answer);
        if (!underground) {
            faults.emplace_back(FaultCode::BadYesNo, Field::Underground, std::string(*answer));
        }
    }
    if (const auto& area = answers[Field::Area]) {
        if (areaRule == AreaRule::NumberRequired && !readArea(*area).number) {
            faults.emplace_back(FaultCode::AreaNotNumber, Field::Area, std::string(*area));
        } else if (auto ignored = areaTextIgnored(*area, Field::Area)) {
            (areaRule == AreaRule::NumberRequired ? faults : check.warnings)
                .push_back(std::move(*ignored));
        } else if (const auto read = readArea(*area);
                   areaRule == AreaRule::AsTheWindow && read.value && *read.value < 0) {
            // A table fails on the negative count instead; the window's reading computes it.
            check.warnings.emplace_back(FaultCode::AreaNegative, Field::Area, std::string(*area));
        }
    }

    if (faults.empty()) {
        check.request = Request{*fireClass,   *hazard,       *correction,
                                *underground, *extinguisher, std::string(*answers[Field::Area])};
    }
    return check;
}

std::optional<Fault> areaTextIgnored(std::string_view text, Field field) {
    const AreaReading reading = readArea(text);
    if (!reading.value) {
        return std::nullopt;
    }
    std::string_view rest = text.substr(reading.end);
    for (const std::string_view unit : {"平方米", "m2", "M2", "m²"}) {
        if (rest.starts_with(unit)) {
            rest.remove_prefix(unit.size());
            break;
        }
    }
    if (rest.find_first_not_of(" \t\n") == std::string_view::npos) {
        return std::nullopt;
    }
    Fault fault(FaultCode::AreaTextIgnored, field, std::string(text));
    fault.ignored = text.substr(reading.end);
    fault.read = resultText(*reading.value).value_or("0");
    return fault;
}

ClassicResult computeClassic(const Request& request) {
    ClassicResult result;
    Outcome outcome = calculateOnce(request);
    if (!outcome.results) {
        for (const ShownMessage& message : outcome.messages) {
            switch (message.code) {
                case MessageCode::IncompleteInput:
                    result.faults.emplace_back(FaultCode::IncompleteInput);
                    break;
                case MessageCode::AreaOutOfRange:
                    result.faults.emplace_back(FaultCode::AreaOutOfRange, Field::Area);
                    break;
                case MessageCode::ClassD:
                    result.faults.emplace_back(FaultCode::ClassD, Field::Class);
                    break;
                case MessageCode::Reference:
                    break;
            }
        }
        if (result.faults.empty()) {
            result.faults.emplace_back(FaultCode::NoResult);
        }
        return result;
    }
    result.results = std::move(outcome.results);
    result.install = installCount((*result.results)[2]);
    // GBJ140-90 asks for at least two extinguishers in every place that gets any: one
    // may fail or be taken away. An area of 0 is no place to equip.
    if (result.install && *result.install > 0.0 && *result.install < kMinimumPerPlace) {
        result.install = kMinimumPerPlace;
    }
    return result;
}

std::optional<double> installCount(std::string_view nText) {
    double value = 0.0;
    const char* end = nText.data() + nText.size();
    const auto [ptr, error] = fast_float::from_chars(nText.data(), end, value);
    if (error != std::errc{} || ptr != end || !std::isfinite(value) || value < 0.0) {
        return std::nullopt;
    }
    // The text has at most 15 significant digits and the nearest double to it lies
    // closer to it than to any whole number it is not, so rounding this double up is
    // rounding the shown decimal up.
    return std::ceil(value) + 0.0;  // + 0.0 turns -0 into 0
}

}  // namespace extcalc::building
