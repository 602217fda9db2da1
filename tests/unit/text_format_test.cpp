// Error texts and the error box's final period, and the About box's number patterns.
#include <gtest/gtest.h>

#include <cmath>
#include <new>
#include <stdexcept>
#include <string>

#include "Error.h"
#include "TerminalText.h"
#include "text/ErrorText.h"
#include "text/NumberFormat.h"

namespace {

TEST(ErrorText, EachKindInTheSystemsWords) {
    const struct {
        AppError error;
        std::string text;
    } rows[] = {
        {AppError(ErrorKind::StreamRead), msg::kStreamRead},
        {AppError(ErrorKind::StreamGrow), msg::kStreamGrow},
        {AppError(ErrorKind::InvalidBitmap), "ビットマップイメージが不正です"},
        {AppError(ErrorKind::RangeCheck), "範囲チェックエラー"},
        {AppError(ErrorKind::OutOfMemory), "メモリが足りません"},
        {AppError(ErrorKind::InterfaceNotSupported), "Interface はサポートされていません"},
        {AppError(ErrorKind::NoTimer), "タイマーを取得できません"},
        {AppError(ErrorKind::NoDesktopFolder),
         "デスクトップフォルダが見つからないため、ショートカットを作成できません"},
        {AppError::FileOpen("C:\\図面\\a.dwg"), "ファイル C:\\図面\\a.dwg は開けません"},
        {AppError::Platform(5, "アクセスが拒否されました"),
         "Win32 エラー。コード : 5.\nアクセスが拒否されました"},
        {AppError::Platform(0xFFFFFFFFu, ""), "Win32 エラー。コード : -1.\n"},
        {AppError::Com(0x8007000Eu, ""), "OLE エラー 8007000e"},
        {AppError::Com(0x80004002u, "サポートされていません"), "サポートされていません"},
        {AppError::RegistryType("Desktop"), "'Desktop' のデータ型が不正です"},
        {AppError::RegistryRead("Desktop"), "'Desktop' の取得に失敗しました"},
        {PngError("damaged PNG thumbnail: size"), "damaged PNG thumbnail: size"},
        {AppError::DamagedDxf("group code"), "damaged DXF drawing"},
        {AppError::DamagedDwg("object map"), "damaged DWG drawing"},
    };
    for (const auto& row : rows) EXPECT_EQ(ErrorText(row.error), row.text) << row.error.what();
    EXPECT_EQ(PngError("x").Kind(), ErrorKind::DamagedPng);
}

// What a tool reports, with the converted parts in brackets.
ToolFailure FailureOf(void (*raise)()) {
    const auto convert = [](const std::string& text) { return "[" + text + "]"; };
    const auto other = [](const std::string& text) { return "<" + text + ">"; };
    try {
        raise();
    } catch (...) {
        return CurrentToolFailure("a.dwg", "A.DWG", convert, other);
    }
    return {};
}

TEST(ToolFailure, PathShownAsTheCallerSaysOtherTextsConverted) {
    EXPECT_EQ(FailureOf([] { throw AppError::FileOpen("a.dwg"); }).text,
              "[ファイル ]A.DWG[ は開けません]");
    EXPECT_EQ(FailureOf([] { throw AppError::FileOpen("b.dwg"); }).text,
              "[ファイル b.dwg は開けません]");
    EXPECT_EQ(FailureOf([] { throw AppError(ErrorKind::StreamRead); }).text,
              "[ストリームからの読み込みエラー]");
    EXPECT_EQ(FailureOf([] { throw std::bad_alloc(); }).text, "[メモリが足りません]");
    EXPECT_EQ(FailureOf([] { throw std::runtime_error("disk"); }).text, "<disk>");
    EXPECT_EQ(FailureOf([] { throw PngError("damaged"); }).status, 1);
}

TEST(FinalPeriod, SingleByteEndings) {
    EXPECT_EQ(WithFinalPeriod(""), "");
    EXPECT_EQ(WithFinalPeriod("abc"), "abc.");
    EXPECT_EQ(WithFinalPeriod("code 5/"), "code 5/.");  // '/' is the byte after '.'
    EXPECT_EQ(WithFinalPeriod("x0"), "x0.");
    for (const char* kept : {"end.", "end ", "end!", "f(x)", "a,", "a-", "%", "100%", "\""}) {
        EXPECT_EQ(WithFinalPeriod(kept), kept) << kept;
    }
    EXPECT_EQ(WithFinalPeriod("\xB1"), "\xB1.");  // half-width katakana, one byte
}

TEST(FinalPeriod, DoubleByteEndingsAlwaysGetOne) {
    EXPECT_EQ(WithFinalPeriod(msg::kStreamRead), std::string(msg::kStreamRead) + ".");
    EXPECT_EQ(WithFinalPeriod("ファイル C:\\a.dwg は開けません"),
              "ファイル C:\\a.dwg は開けません.");
    EXPECT_EQ(WithFinalPeriod("表"), "表.");
    EXPECT_EQ(WithFinalPeriod("a ソ"), "a ソ.");
    EXPECT_EQ(WithFinalPeriod("。"), "。.");  // the full-width stop is not "."
}

TEST(NumberFormat, GroupedRoundsHalvesAwayFromZero) {
    EXPECT_EQ(FormatGrouped(0), "0");
    EXPECT_EQ(FormatGrouped(0.49), "0");
    EXPECT_EQ(FormatGrouped(0.5), "1");
    EXPECT_EQ(FormatGrouped(2.5), "3");
    EXPECT_EQ(FormatGrouped(999), "999");
    EXPECT_EQ(FormatGrouped(999.5), "1,000");
    EXPECT_EQ(FormatGrouped(262144), "262,144");
    EXPECT_EQ(FormatGrouped(196608), "196,608");
    EXPECT_EQ(FormatGrouped(1234567.4), "1,234,567");
    EXPECT_EQ(FormatGrouped(-1234.5), "-1,235");
    EXPECT_EQ(FormatGrouped(-0.4), "0");
}

TEST(NumberFormat, GroupedSeparatorChoice) {
    EXPECT_EQ(FormatGrouped(262144, '.'), "262.144");
    EXPECT_EQ(FormatGrouped(1234567, '\0'), "1234567");
}

TEST(NumberFormat, LargeValuesAreExact) {
    EXPECT_EQ(FormatGrouped(4294967295.0), "4,294,967,295");
    EXPECT_EQ(FormatGrouped(4294967295.0 / 1024), "4,194,304");
    EXPECT_EQ(FormatGrouped(std::ldexp(1.0, 63)), "9,223,372,036,854,775,808");
    EXPECT_EQ(FormatGrouped(std::ldexp(1.0, 64)), "18,446,744,073,709,551,616");
    EXPECT_EQ(FormatGrouped(std::ldexp(1.0, 64) - 2048), "18,446,744,073,709,549,568");
    EXPECT_EQ(FormatGrouped(1e20), "100,000,000,000,000,000,000");
    EXPECT_EQ(FormatPercent(std::ldexp(1.0, 64)), "18446744073709551616%");
}

TEST(NumberFormat, PercentWritesNoDigitForZero) {
    EXPECT_EQ(FormatPercent(75), "75%");
    EXPECT_EQ(FormatPercent(0), "%");
    EXPECT_EQ(FormatPercent(0.4), "%");
    EXPECT_EQ(FormatPercent(0.5), "1%");
    EXPECT_EQ(FormatPercent(45.5), "46%");
    EXPECT_EQ(FormatPercent(99.5), "100%");
    EXPECT_EQ(FormatPercent(1234), "1234%");  // "##%" has no grouping
    EXPECT_EQ(FormatPercent(-45.5), "-46%");
}

TEST(NumberFormat, AboutBoxFigures) {
    // 256 MB of physical memory of which 64 MB is free.
    const double total = 256.0 * 1024 * 1024;
    const double used = total - 64.0 * 1024 * 1024;
    EXPECT_EQ(FormatGrouped(total / 1024), "262,144");
    EXPECT_EQ(FormatPercent(used / total * 100), "75%");
    EXPECT_EQ(FormatGrouped(used / 1024), "196,608");
}

}  // namespace
