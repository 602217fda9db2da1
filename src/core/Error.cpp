#include "Error.h"

#include <cstdio>
#include <iterator>

namespace {

// Each kind's name, for logs and test reports, and the text of the kinds that carry nothing
// more; in ErrorKind's order.
struct KindWords {
    const char* name;
    const char* text;
};
constexpr KindWords kKinds[] = {
    {"stream read", msg::kStreamRead},
    {"file open", nullptr},
    {"stream grow", msg::kStreamGrow},
    {"invalid bitmap", msg::kInvalidBitmap},
    {"range check", msg::kRangeCheck},
    {"out of memory", msg::kOutOfMemory},
    {"damaged PNG", nullptr},
    {"platform error", nullptr},
    {"COM error", nullptr},
    {"interface not supported", msg::kInterfaceNotSupported},
    {"no timer", msg::kNoTimer},
    {"no desktop folder", msg::kNoDesktopFolder},
    {"invalid registry type", nullptr},
    {"registry read failed", nullptr},
    {"damaged DXF", msg::kDamagedDxf},
    {"damaged DWG", msg::kDamagedDwg},
};
static_assert(std::size(kKinds) == static_cast<std::size_t>(ErrorKind::DamagedDwg) + 1);

const KindWords& WordsOf(ErrorKind kind) { return kKinds[static_cast<std::size_t>(kind)]; }

std::string ReplaceFirst(const std::string& pattern, const std::string& placeholder,
                         const std::string& arg) {
    const auto at = pattern.find(placeholder);
    if (at == std::string::npos) return pattern;
    return pattern.substr(0, at) + arg + pattern.substr(at + placeholder.size());
}

}  // namespace

AppError::AppError(ErrorKind kind, const std::string& detail, uint32_t code)
    : std::runtime_error(std::string(WordsOf(kind).name) + (detail.empty() ? "" : ": " + detail)),
      kind_(kind),
      detail_(detail),
      code_(code) {}

std::string ErrorText(const AppError& error) {
    switch (error.Kind()) {
        case ErrorKind::FileOpen:
            return FormatMessageText(msg::kFileOpen, error.Detail());
        case ErrorKind::DamagedPng:
            return error.Detail();
        case ErrorKind::Platform: {
            const auto code = std::to_string(static_cast<int>(error.Code()));
            return FormatMessageText(ReplaceFirst(msg::kWin32Error, "%d", code), error.Detail());
        }
        case ErrorKind::Com: {
            if (!error.Detail().empty()) return error.Detail();
            char buffer[64];
            std::snprintf(buffer, sizeof buffer, msg::kOleError,
                          static_cast<unsigned>(error.Code()));
            return buffer;
        }
        case ErrorKind::InvalidRegistryType:
            return FormatMessageText(msg::kInvalidRegistryType, error.Detail());
        case ErrorKind::RegistryReadFailed:
            return FormatMessageText(msg::kRegistryReadFailed, error.Detail());
        default:
            break;
    }
    const char* text = WordsOf(error.Kind()).text;
    return text ? text : error.what();
}

std::string FormatMessageText(const std::string& pattern, const std::string& arg) {
    return ReplaceFirst(pattern, "%s", arg);
}
