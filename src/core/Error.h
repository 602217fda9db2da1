#pragma once
// The one error type of the program. Its text is a ready-made Shift-JIS message that the
// application's error box shows as it stands (after the final-period rule).
#include <stdexcept>
#include <string>

class AppError : public std::runtime_error {
  public:
    explicit AppError(const std::string& message) : std::runtime_error(message) {}
    std::string Message() const { return what(); }
};

// The system's own message texts, byte for byte (Shift-JIS once compiled).
namespace msg {
inline constexpr char kStreamRead[] = "ストリームからの読み込みエラー";
inline constexpr char kFileOpen[] = "ファイル %s は開けません";
inline constexpr char kStreamGrow[] = "メモリストリームの拡大中にメモリが足りなくなりました";
inline constexpr char kInvalidBitmap[] = "ビットマップイメージが不正です";
inline constexpr char kRangeCheck[] = "範囲チェックエラー";
inline constexpr char kOutOfMemory[] = "メモリが足りません";
}  // namespace msg

// Replaces the first "%s" of a message pattern with `arg`, byte for byte.
std::string FormatMessageText(const std::string& pattern, const std::string& arg);
