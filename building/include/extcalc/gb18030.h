// SPDX-License-Identifier: MIT
#pragma once

// Tables saved by spreadsheet programs on Chinese Windows are in GBK, which GB18030 takes
// in: this reads such a byte stream as the UTF-8 text the rest of the program works in.
// Line ends pass through unchanged, so line numbers stay those of the file.

#include <istream>
#include <memory>
#include <streambuf>
#include <vector>

namespace extcalc::building {

class Gb18030Decoder final : public std::streambuf {
  public:
    explicit Gb18030Decoder(std::istream& in);
    Gb18030Decoder(const Gb18030Decoder&) = delete;
    Gb18030Decoder& operator=(const Gb18030Decoder&) = delete;
    Gb18030Decoder(Gb18030Decoder&&) = delete;
    Gb18030Decoder& operator=(Gb18030Decoder&&) = delete;
    ~Gb18030Decoder() override;

    // Whether the input held something that is not GB18030; the text ends before it.
    [[nodiscard]] bool failed() const { return failed_; }

  protected:
    int_type underflow() override;

  private:
    // Converts what raw_ holds, keeping an incomplete character for the next round.
    bool convert(bool atEnd);

    struct Converter;
    std::istream& in_;
    std::unique_ptr<Converter> converter_;
    std::vector<char> raw_;
    std::size_t rawSize_ = 0;
    std::vector<char> text_;
    bool eof_ = false;
    bool failed_ = false;
};

// Whether the whole stream decodes as GB18030. Reads it to its end.
bool decodesAsGb18030(std::istream& in);

}  // namespace extcalc::building
