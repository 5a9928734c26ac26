// SPDX-License-Identifier: MIT
#include "extcalc/gb18030.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace extcalc::building {
namespace {

constexpr std::size_t kChunk = std::size_t{64} << 10U;
// A GB18030 character takes at most 4 bytes and becomes at most 4 bytes of UTF-8.
constexpr std::size_t kTextRoom = 2 * kChunk + 16;

}  // namespace

#ifdef _WIN32
// Windows converts whole pieces only, so the decoder hands it text up to a line end: no
// GB18030 character holds the byte of a line feed.
struct Gb18030Decoder::Converter {
    static constexpr UINT kGb18030 = 54936;
    // GBK, which is what spreadsheet programs on Chinese Windows save. Some Windows
    // emulations lack GB18030 itself; GBK then still reads those tables.
    static constexpr UINT kGbk = 936;

    static int toUtf16(UINT codePage, const char* raw, std::size_t size, wchar_t* out, int room) {
        return MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, raw, static_cast<int>(size), out,
                                   room);
    }

    // Converts raw[0, size) to UTF-8 appended to out; false when it is not GB18030.
    static bool decode(const char* raw, std::size_t size, std::vector<char>& out) {
        if (size == 0) {
            return true;
        }
        UINT codePage = kGb18030;
        int wide = toUtf16(codePage, raw, size, nullptr, 0);
        if (wide <= 0 && GetLastError() == ERROR_INVALID_PARAMETER) {
            codePage = kGbk;
            wide = toUtf16(codePage, raw, size, nullptr, 0);
        }
        if (wide <= 0) {
            return false;
        }
        std::vector<wchar_t> utf16(static_cast<std::size_t>(wide));
        toUtf16(codePage, raw, size, utf16.data(), wide);
        const int bytes =
            WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
        const std::size_t start = out.size();
        out.resize(start + static_cast<std::size_t>(bytes));
        WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, out.data() + start, bytes, nullptr,
                            nullptr);
        return true;
    }
};

bool Gb18030Decoder::convert(bool atEnd) {
    const char* begin = raw_.data();
    const char* end = begin + rawSize_;
    const char* cut = end;
    if (!atEnd) {
        const auto lastLineFeed =
            std::find(std::make_reverse_iterator(end), std::make_reverse_iterator(begin), '\n');
        cut = lastLineFeed.base();
        // A line longer than the buffer: give it the room of one more chunk.
        if (cut == begin) {
            return true;
        }
    }
    text_.clear();
    if (!Converter::decode(begin, static_cast<std::size_t>(cut - begin), text_)) {
        return false;
    }
    std::memmove(raw_.data(), cut, static_cast<std::size_t>(end - cut));
    rawSize_ = static_cast<std::size_t>(end - cut);
    return true;
}
#else
struct Gb18030Decoder::Converter {
    iconv_t handle = iconv_open("UTF-8", "GB18030");
    Converter() = default;
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    Converter(Converter&&) = delete;
    Converter& operator=(Converter&&) = delete;
    ~Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1)) {  // NOLINT: iconv's own error value
            iconv_close(handle);
        }
    }
};

bool Gb18030Decoder::convert(bool atEnd) {
    if (converter_->handle == reinterpret_cast<iconv_t>(-1)) {  // NOLINT: iconv's error value
        return false;
    }
    char* in = raw_.data();
    std::size_t inLeft = rawSize_;
    text_.resize(kTextRoom);
    char* out = text_.data();
    std::size_t outLeft = text_.size();
    const std::size_t done = iconv(converter_->handle, &in, &inLeft, &out, &outLeft);
    const int error = errno;
    text_.resize(text_.size() - outLeft);
    if (done == static_cast<std::size_t>(-1) && (error == EILSEQ || (error == EINVAL && atEnd))) {
        return false;
    }
    std::memmove(raw_.data(), in, inLeft);
    rawSize_ = inLeft;
    return true;
}
#endif

Gb18030Decoder::Gb18030Decoder(std::istream& in)
    : in_(in), converter_(std::make_unique<Converter>()), raw_(2 * kChunk) {}

Gb18030Decoder::~Gb18030Decoder() = default;

Gb18030Decoder::int_type Gb18030Decoder::underflow() {
    while (gptr() == egptr()) {
        if (failed_ || (eof_ && rawSize_ == 0)) {
            return traits_type::eof();
        }
        if (!eof_) {
            if (raw_.size() < rawSize_ + kChunk) {
                raw_.resize(rawSize_ + kChunk);
            }
            in_.read(raw_.data() + rawSize_, static_cast<std::streamsize>(kChunk));
            const auto got = static_cast<std::size_t>(in_.gcount());
            rawSize_ += got;
            eof_ = got == 0 || in_.eof();
        }
        const std::size_t before = rawSize_;
        if (!convert(eof_)) {
            failed_ = true;
            text_.clear();
        }
        // Nothing converted and nothing consumed at the end: what is left is incomplete.
        if (eof_ && rawSize_ == before && text_.empty() && rawSize_ != 0) {
            failed_ = true;
        }
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }
    return traits_type::to_int_type(*gptr());
}

bool decodesAsGb18030(std::istream& in) {
    Gb18030Decoder decoder(in);
    std::istream text(&decoder);
    std::array<char, 4096> sink{};
    while (text.read(sink.data(), sink.size()) || text.gcount() > 0) {
    }
    return !decoder.failed();
}

}  // namespace extcalc::building
