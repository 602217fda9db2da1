#pragma once
// The one error type of the program: what went wrong and the facts that go with it (a path, a
// code, the system's or a decoder's own text). Words come only where an error is shown:
// ErrorText gives the system's Shift-JIS message, and each boundary (error box, tool output,
// COM result) decides from the kind alone.
#include <cstdint>
#include <stdexcept>
#include <string>

enum class ErrorKind {
    StreamRead,             // a read or a field past the end of the data
    FileOpen,               // the file (Path()) cannot be opened
    StreamGrow,             // no memory for an image that is the whole drawing
    InvalidBitmap,          // an image that cannot be decoded
    RangeCheck,             // a length past what an image may have
    OutOfMemory,            //
    DamagedPng,             // the PNG decoder's own text (Detail()), shown as it stands
    Platform,               // a platform call failed: Code(), the system's text (Detail())
    Com,                    // a COM call failed: Code(), the system's text or none (Detail())
    InterfaceNotSupported,  //
    NoTimer,                //
    NoDesktopFolder,        // the shortcut has no folder to go to
    InvalidRegistryType,    // the registry value (Detail()) is not a string
    RegistryReadFailed,     // the registry value (Detail()) could not be read
    DamagedDxf,             // a DXF drawing that cannot be read; what failed (Detail()), for logs
    DamagedDwg,             // a DWG drawing whose geometry cannot be read; what failed (Detail())
};

class AppError : public std::runtime_error {
  public:
    // The kinds that carry nothing more: AppError(ErrorKind::StreamRead).
    explicit AppError(ErrorKind kind) : AppError(kind, {}, 0) {}
    static AppError FileOpen(const std::string& path) { return {ErrorKind::FileOpen, path, 0}; }
    static AppError Platform(uint32_t code, const std::string& systemText) {
        return {ErrorKind::Platform, systemText, code};
    }
    static AppError Com(uint32_t result, const std::string& systemText) {
        return {ErrorKind::Com, systemText, result};
    }
    static AppError RegistryType(const std::string& name) {
        return {ErrorKind::InvalidRegistryType, name, 0};
    }
    static AppError RegistryRead(const std::string& name) {
        return {ErrorKind::RegistryReadFailed, name, 0};
    }
    static AppError DamagedDxf(const std::string& what) { return {ErrorKind::DamagedDxf, what, 0}; }
    static AppError DamagedDwg(const std::string& what) { return {ErrorKind::DamagedDwg, what, 0}; }

    ErrorKind Kind() const { return kind_; }
    // The kind's argument: a path, a value's name, or a text of the system or a decoder.
    const std::string& Detail() const { return detail_; }
    uint32_t Code() const { return code_; }

  protected:
    // what() is for logs and test reports: the kind's name and its argument, never shown.
    AppError(ErrorKind kind, const std::string& detail, uint32_t code);

  private:
    ErrorKind kind_;
    std::string detail_;
    uint32_t code_;
};

// A PNG the platform's decoder cannot read; `decoderText` is the decoder's own, ASCII.
class PngError : public AppError {
  public:
    explicit PngError(const std::string& decoderText)
        : AppError(ErrorKind::DamagedPng, decoderText, 0) {}
};

// The system's own message texts, byte for byte (Shift-JIS once compiled).
namespace msg {
inline constexpr char kStreamRead[] = "ストリームからの読み込みエラー";
inline constexpr char kFileOpen[] = "ファイル %s は開けません";
inline constexpr char kStreamGrow[] = "メモリストリームの拡大中にメモリが足りなくなりました";
inline constexpr char kInvalidBitmap[] = "ビットマップイメージが不正です";
inline constexpr char kRangeCheck[] = "範囲チェックエラー";
inline constexpr char kOutOfMemory[] = "メモリが足りません";
inline constexpr char kWin32Error[] = "Win32 エラー。コード : %d.\n%s";
inline constexpr char kOleError[] = "OLE エラー %.8x";
inline constexpr char kInterfaceNotSupported[] = "Interface はサポートされていません";
inline constexpr char kNoTimer[] = "タイマーを取得できません";
inline constexpr char kNoDesktopFolder[] =
    "デスクトップフォルダが見つからないため、ショートカットを作成できません";
inline constexpr char kInvalidRegistryType[] = "'%s' のデータ型が不正です";
inline constexpr char kRegistryReadFailed[] = "'%s' の取得に失敗しました";
// Only the tools read drawing geometry so far: their language.
inline constexpr char kDamagedDxf[] = "damaged DXF drawing";
inline constexpr char kDamagedDwg[] = "damaged DWG drawing";
}  // namespace msg

// The message the system shows for `error`, in Shift-JIS: what the error box and the tools
// print (the tools convert it for their output).
std::string ErrorText(const AppError& error);

// Replaces the first "%s" of a message pattern with `arg`, byte for byte.
std::string FormatMessageText(const std::string& pattern, const std::string& arg);
