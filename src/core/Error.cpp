#include "Error.h"

#include <cstdio>
#include <iterator>

namespace {

// For logs and test reports, in ErrorKind's order.
constexpr const char* kKindNames[] = {"stream read",
                                      "file open",
                                      "stream grow",
                                      "invalid bitmap",
                                      "range check",
                                      "out of memory",
                                      "damaged PNG",
                                      "platform error",
                                      "COM error",
                                      "interface not supported",
                                      "no timer",
                                      "no desktop folder",
                                      "invalid registry type",
                                      "registry read failed"};

std::string KindName(ErrorKind kind) {
    const auto index = static_cast<std::size_t>(kind);
    return index < std::size(kKindNames) ? kKindNames[index] : "error";
}

std::string ReplaceFirst(const std::string& pattern, const std::string& placeholder,
                         const std::string& arg) {
    const auto at = pattern.find(placeholder);
    if (at == std::string::npos) return pattern;
    return pattern.substr(0, at) + arg + pattern.substr(at + placeholder.size());
}

}  // namespace

AppError::AppError(ErrorKind kind, const std::string& detail, uint32_t code)
    : std::runtime_error(detail.empty() ? KindName(kind) : KindName(kind) + ": " + detail),
      kind_(kind),
      detail_(detail),
      code_(code) {}

std::string ErrorText(const AppError& error) {
    switch (error.Kind()) {
        case ErrorKind::StreamRead:
            return msg::kStreamRead;
        case ErrorKind::FileOpen:
            return FormatMessageText(msg::kFileOpen, error.Detail());
        case ErrorKind::StreamGrow:
            return msg::kStreamGrow;
        case ErrorKind::InvalidBitmap:
            return msg::kInvalidBitmap;
        case ErrorKind::RangeCheck:
            return msg::kRangeCheck;
        case ErrorKind::OutOfMemory:
            return msg::kOutOfMemory;
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
        case ErrorKind::InterfaceNotSupported:
            return msg::kInterfaceNotSupported;
        case ErrorKind::NoTimer:
            return msg::kNoTimer;
        case ErrorKind::NoDesktopFolder:
            return msg::kNoDesktopFolder;
        case ErrorKind::InvalidRegistryType:
            return FormatMessageText(msg::kInvalidRegistryType, error.Detail());
        case ErrorKind::RegistryReadFailed:
            return FormatMessageText(msg::kRegistryReadFailed, error.Detail());
    }
    return error.what();
}

std::string FormatMessageText(const std::string& pattern, const std::string& arg) {
    return ReplaceFirst(pattern, "%s", arg);
}
