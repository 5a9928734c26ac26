// SPDX-License-Identifier: MIT
#pragma once

// The window was designed in twips; Qt places widgets in logical pixels and
// scales those for high-DPI screens itself, so 96 dpi is the right reference.

#include <QRect>

namespace extcalc::ui {

inline constexpr int kTwipsPerPixel = 15;

constexpr int px(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

constexpr QRect twipsRect(int left, int top, int width, int height) {
    return {px(left), px(top), px(width), px(height)};
}

}  // namespace extcalc::ui
