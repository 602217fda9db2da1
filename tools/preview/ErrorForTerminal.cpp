#include <new>
#include <stdexcept>

#include "Error.h"
#include "text/ControlEscape.h"
#include "TerminalText.h"

std::string ErrorWithPath(const AppError& error, const std::string& path,
                          const std::string& shownPath, const TextConversion& convert) {
    if (error.Kind() == ErrorKind::FileOpen && error.Detail() == path) {
        const std::string pattern = msg::kFileOpen;
        const auto at = pattern.find("%s");
        return convert(pattern.substr(0, at)) + shownPath + convert(pattern.substr(at + 2));
    }
    return convert(ErrorText(error));
}

ToolFailure CurrentToolFailure(const std::string& path, const std::string& shownPath,
                               const TextConversion& convert, const TextConversion& otherText) {
    try {
        throw;
    } catch (const AppError& error) {
        return {ErrorWithPath(error, path, shownPath, convert)};
    } catch (const std::bad_alloc&) {
        return {convert(ErrorText(AppError(ErrorKind::OutOfMemory)))};
    } catch (const std::exception& error) {
        return {otherText(error.what())};
    }
}

ToolFailure CurrentToolFailure(const std::string& path) {
    return CurrentToolFailure(path, PathForTerminal(path), ShiftJisToTerminal,
                              [](const std::string& text) { return EscapeControls(text); });
}
