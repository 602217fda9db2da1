#include "Error.h"
#include "TerminalText.h"

std::string ErrorWithPath(const AppError& error, const std::string& path,
                          const std::string& shownPath,
                          const std::function<std::string(const std::string&)>& convert) {
    const std::string pattern = msg::kFileOpen;
    if (error.Message() == FormatMessageText(pattern, path)) {
        const auto at = pattern.find("%s");
        return convert(pattern.substr(0, at)) + shownPath + convert(pattern.substr(at + 2));
    }
    return convert(error.Message());
}

std::string ErrorForTerminal(const AppError& error, const std::string& path) {
    return ErrorWithPath(error, path, PathForTerminal(path), ShiftJisToTerminal);
}
