#include "TextCodec.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace hlpc {
namespace {

class Converter {
  public:
    Converter() : cd_(iconv_open("CP932", "UTF-8")) {
        if (cd_ == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("the C library offers no UTF-8 to CP932 conversion");
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

}  // namespace

std::string Utf8ToShiftJis(std::string_view utf8) {
    Converter converter;
    std::string input(utf8);
    std::string output(input.size() * 2 + 4, '\0');  // never longer than the UTF-8 form
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(converter.Handle(), &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1)) {
        std::size_t at = input.size() - inLeft;
        throw std::runtime_error(errno == EILSEQ ? "text at byte " + std::to_string(at) +
                                                       " has no Shift-JIS form or is not UTF-8"
                                                 : "text ends inside a UTF-8 character");
    }
    output.resize(output.size() - outLeft);
    return output;
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
