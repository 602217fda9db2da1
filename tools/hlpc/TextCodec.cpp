#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace hlpc {
namespace {

class Converter {
  public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error(std::string("the C library offers no ") + from + " to " +
                                     to + " conversion");
        }
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t Handle() const { return cd_; }

  private:
    iconv_t cd_;
};

bool IsLead(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// The whole text through iconv, into `growth` output bytes per input byte; `what` says
// what is wrong at the byte offset where the conversion stops.
std::string Convert(const char* to, const char* from, std::string_view text,
                    std::size_t growth, const char* what) {
    Converter converter(to, from);
    std::string input(text);
    std::string output(input.size() * growth + 4, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(converter.Handle(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        std::size_t at = input.size() - inLeft;
        throw std::runtime_error(errno == EILSEQ ? "text at byte " + std::to_string(at) + what
                                                 : std::string("text ends inside a character"));
    }
    output.resize(output.size() - outLeft);
    return output;
}

}  // namespace

std::string Utf8ToShiftJis(std::string_view utf8) {
    return Convert("CP932", "UTF-8", utf8, 2, " has no Shift-JIS form or is not UTF-8");
}

std::string ShiftJisToUtf8(std::string_view sjis) {
    // A double-byte character becomes at most three bytes, a single byte at most three too
    // (half-width katakana).
    return Convert("UTF-8", "CP932", sjis, 3, " is not Shift-JIS text");
}

std::size_t CountDoubleByteChars(std::string_view sjis) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < sjis.size(); ++i) {
        if (IsLead(static_cast<unsigned char>(sjis[i])) && i + 1 < sjis.size()) {
            ++count;
            ++i;
        }
    }
    return count;
}

}  // namespace hlpc
