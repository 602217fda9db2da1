#include "TerminalText.h"

#include <iconv.h>
#include <langinfo.h>

#include <cerrno>

#include "text/ControlEscape.h"

std::string PathForTerminal(const std::string& path) { return EscapeControls(path); }

std::string ShiftJisToTerminal(const std::string& text) {
    const char* target = nl_langinfo(CODESET);
    iconv_t cd = iconv_open(target && *target ? target : "UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;

    std::string out;
    char* in = const_cast<char*>(text.data());
    size_t inLeft = text.size();
    while (inLeft > 0) {
        char buffer[256];
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            out += '?';  // an invalid or unfinished sequence: skip one byte
            ++in;
            --inLeft;
        }
    }
    iconv_close(cd);
    return out;
}
