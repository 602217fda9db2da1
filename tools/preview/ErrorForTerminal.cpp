#include "Error.h"
#include "TerminalText.h"

std::string ErrorForTerminal(const AppError& error, const std::string& path) {
    const std::string pattern = msg::kFileOpen;
    if (error.Message() == FormatMessageText(pattern, path)) {
        const auto at = pattern.find("%s");
        return ShiftJisToTerminal(pattern.substr(0, at)) + path +
               ShiftJisToTerminal(pattern.substr(at + 2));
    }
    return ShiftJisToTerminal(error.Message());
}
