// SPDX-License-Identifier: MIT
// Setting points written back as an ASCII DXF of AutoCAD R12, which every CAD program reads;
// written by hand for the reasons dxf_read.cpp gives.
#include <cmath>
#include <cstdio>

#include "extcalc/plan/dxf.h"

namespace extcalc::plan::dxf {

namespace {

// ASCII, with every other character as \U+XXXX (outside the BMP: replaced, as R12 cannot say it).
std::string escaped(std::string_view s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out.push_back(b < 0x20 ? ' ' : static_cast<char>(b));
            ++i;
            continue;
        }
        unsigned long c = 0;
        std::size_t n = 0;
        if ((b & 0xE0U) == 0xC0U) {
            c = b & 0x1FU;
            n = 1;
        } else if ((b & 0xF0U) == 0xE0U) {
            c = b & 0x0FU;
            n = 2;
        } else if ((b & 0xF8U) == 0xF0U) {
            c = b & 0x07U;
            n = 3;
        } else {
            out.push_back('?');
            ++i;
            continue;
        }
        bool ok = i + n < s.size();
        for (std::size_t k = 1; ok && k <= n; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            ok = (cont & 0xC0U) == 0x80U;
            c = (c << 6U) | (cont & 0x3FU);
        }
        if (!ok || c > 0xFFFF) {
            out.push_back('?');
            i += ok ? n + 1 : 1;
            continue;
        }
        char hex[12];
        std::snprintf(hex, sizeof hex, "\\U+%04lX", c);
        out += hex;
        i += n + 1;
    }
    return out;
}

std::string number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6f", std::abs(v) < 5e-7 ? 0.0 : v);
    return text;
}

class Writer {
  public:
    void pair(int code, std::string_view value) {
        text_ += std::to_string(code);
        text_ += '\n';
        text_ += value;
        text_ += '\n';
    }
    void pair(int code, double value) { pair(code, number(value)); }
    void whole(int code, int value) { pair(code, std::to_string(value)); }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

}  // namespace

std::string exportPoints(std::span<const ExportPoint> points, const ExportOptions& options) {
    const double unit = options.metresPerUnit > 0.0 ? options.metresPerUnit : 1.0;
    const double radius = 0.3 / unit;
    const double height = 0.25 / unit;
    const std::string layer = escaped(options.layer);
    Writer w;
    w.pair(0, "SECTION");
    w.pair(2, "HEADER");
    w.pair(9, "$ACADVER");
    w.pair(1, "AC1009");
    w.pair(9, "$DWGCODEPAGE");
    w.pair(3, "ANSI_1252");
    w.pair(9, "$INSUNITS");
    w.whole(70, std::abs(unit - 0.001) < 1e-12 ? 4 : std::abs(unit - 1.0) < 1e-12 ? 6 : 0);
    w.pair(0, "ENDSEC");

    w.pair(0, "SECTION");
    w.pair(2, "TABLES");
    w.pair(0, "TABLE");
    w.pair(2, "LTYPE");
    w.whole(70, 1);
    w.pair(0, "LTYPE");
    w.pair(2, "CONTINUOUS");
    w.whole(70, 0);
    w.pair(3, "Solid line");
    w.whole(72, 65);
    w.whole(73, 0);
    w.pair(40, 0.0);
    w.pair(0, "ENDTAB");
    w.pair(0, "TABLE");
    w.pair(2, "LAYER");
    w.whole(70, 2);
    for (const std::string& name : {std::string("0"), layer}) {
        w.pair(0, "LAYER");
        w.pair(2, name);
        w.whole(70, 0);
        w.whole(62, name == "0" ? 7 : 1);  // the points in red
        w.pair(6, "CONTINUOUS");
    }
    w.pair(0, "ENDTAB");
    w.pair(0, "ENDSEC");

    // The symbol: a circle of 0.3 m with a cross, drawn on layer 0 so it takes the insert's layer.
    w.pair(0, "SECTION");
    w.pair(2, "BLOCKS");
    w.pair(0, "BLOCK");
    w.pair(8, "0");
    w.pair(2, "EXTINGUISHER");
    w.whole(70, 0);
    w.pair(10, 0.0);
    w.pair(20, 0.0);
    w.pair(30, 0.0);
    w.pair(3, "EXTINGUISHER");
    w.pair(0, "CIRCLE");
    w.pair(8, "0");
    w.pair(10, 0.0);
    w.pair(20, 0.0);
    w.pair(30, 0.0);
    w.pair(40, radius);
    for (const bool across : {true, false}) {
        w.pair(0, "LINE");
        w.pair(8, "0");
        w.pair(10, across ? -radius : 0.0);
        w.pair(20, across ? 0.0 : -radius);
        w.pair(30, 0.0);
        w.pair(11, across ? radius : 0.0);
        w.pair(21, across ? 0.0 : radius);
        w.pair(31, 0.0);
    }
    w.pair(0, "ENDBLK");
    w.pair(8, "0");
    w.pair(0, "ENDSEC");

    w.pair(0, "SECTION");
    w.pair(2, "ENTITIES");
    for (const ExportPoint& p : points) {
        const double x = p.at.x / unit;
        const double y = p.at.y / unit;
        w.pair(0, "INSERT");
        w.pair(8, layer);
        w.pair(2, "EXTINGUISHER");
        w.pair(10, x);
        w.pair(20, y);
        w.pair(30, 0.0);
        w.pair(0, "TEXT");
        w.pair(8, layer);
        w.pair(10, x + radius * 1.2);
        w.pair(20, y + radius * 1.2);
        w.pair(30, 0.0);
        w.pair(40, height);
        w.pair(1, escaped(p.label));
    }
    w.pair(0, "ENDSEC");
    w.pair(0, "EOF");
    return w.take();
}

}  // namespace extcalc::plan::dxf
