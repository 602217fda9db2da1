#include "Ver.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Application.h"
#include "Error.h"
#include "Module.h"
#include "resource.h"
#include "text/MemoryText.h"
#include "text/ShiftJis.h"

TForm1* Form1 = nullptr;

namespace {

constexpr int kClientWidth = 315;
constexpr int kClientHeight = 196;
// A dialog frame with the system menu and the close box only.
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;

constexpr char kGothic[] = "ＭＳ Ｐゴシック";
constexpr char kMincho[] = "ＭＳ Ｐ明朝";
constexpr COLORREF kLinkColor = RGB(0, 0, 255);

constexpr char kVersionPrefix[] = "製品バージョン　";  // ends in a full-width space
constexpr char kVersionKey[] = "\\StringFileInfo\\041103A4\\FileVersion";
// Both lines end left of the OK button (x 228), which stands beside them.
constexpr char kCredits[] = "企画・制作 Ortholux 開発チーム";
constexpr char kCopyright[] = "Copyright (C) 2026 Ortholux";
constexpr char kHomePage[] = "https://ortholux.example/";

constexpr int kLabel5Left = 8;
constexpr int kLabel6Left = 184;
constexpr int kMemoryLabelsTop = 72;
constexpr int kLabelGap = 4;

constexpr UINT_PTR kTimer1Id = 1;
constexpr UINT kTimer1Interval = 1000;

// Child window ids. Button1 is IDOK: Enter, with no other button focused, sends IDOK.
enum : int {
    kImage1Id = 101,
    kLabel1Id,
    kLabel2Id,
    kLabel5Id,
    kLabel6Id,
    kProgressBar1Id,
    kURLLabelId,
    kLabel3Id,
    kLabel4Id,
};

// The program file's FileVersion from its Japanese / code page 932 string table, or nothing
// when the file carries no version information or no such string.
std::optional<std::string> ProgramFileVersion(const std::string& path) {
    DWORD unused = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &unused);
    if (size == 0) return std::nullopt;
    std::vector<char> block(size, '\0');  // released on every path
    if (!GetFileVersionInfoA(path.c_str(), 0, size, block.data())) return std::nullopt;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), kVersionKey, &value, &length) || !value) {
        return std::nullopt;
    }
    const auto* text = static_cast<const char*>(value);
    return std::string(text, strnlen(text, length));
}

// The user locale's thousands separator as one byte (see ThousandsSeparator).
char LocaleThousandsSeparator() {
    char buffer[8] = {};
    const int length = GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, buffer, sizeof buffer);
    if (length <= 0) return ThousandsSeparator(std::nullopt);
    return ThousandsSeparator(std::string_view(buffer, static_cast<size_t>(length - 1)));
}

}  // namespace

TForm1::TForm1(AboutInstance kind, HWND centreOver) : kind_(kind), centreOver_(centreOver) {
    // The frame is corrected once the window exists (FitClientArea).
    RECT outer{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
    CreateForm({.className = "TForm1",
                .caption = "バージョン情報",
                .style = kStyle,
                .exStyle = kExStyle,
                .outerSize = {outer.right - outer.left, outer.bottom - outer.top},
                .minOuterSize = {0, 0},
                .menu = nullptr,
                .icon = nullptr,  // a dialog frame shows none
                .font = {.face = kGothic, .height = 12, .charset = SHIFTJIS_CHARSET}});
    if (kind_ == AboutInstance::Startup) Form1 = this;
}

TForm1::~TForm1() {
    DestroyHandle();  // while its handlers and labels still exist
    if (Form1 == this) Form1 = nullptr;
}

void TForm1::CreateControls() {
    // Created anywhere; LayoutControls places and sizes them for the form's setting.
    const HWND self = Handle();
    Image1.Create(self, kImage1Id, 0, 0, 0, 0);
    Label1.Create(self, kLabel1Id, 0, 0, "Label1", Font());
    Label2.Create(self, kLabel2Id, 0, 0, "Label2", Font());
    Label5.Create(self, kLabel5Id, 0, 0, "Label5", Font());
    Label6.Create(self, kLabel6Id, 0, 0, "Label6", Font());
    ProgressBar1.Create(self, kProgressBar1Id, 0, 0, 0, 0, /*smooth=*/true);
    URLLabel.Create(self, kURLLabelId, 0, 0, kHomePage, Font());
    URLLabel.SetTextColor(kLinkColor);
    URLLabel.SetCursor(LoadCursorA(nullptr, IDC_HAND));
    URLLabel.SetOnClick([this] { URLLabelClick(); });
    Label3.Create(self, kLabel3Id, 0, 0, "Label3", Font());
    Label4.Create(self, kLabel4Id, 0, 0, "Label4", Font());
    Button1.Create(self, IDOK, 0, 0, 0, 0, "OK", Font(), /*isDefault=*/true);
    LayoutControls();

    try {
        Timer1.Start(self, kTimer1Id, kTimer1Interval);
    } catch (const AppError&) {
        // Only the About command's box must fail; the hidden instance's figures are unseen.
        if (kind_ == AboutInstance::Command) throw;
    }
}

// The designed layout at the form's setting: positions, sizes and fonts scaled by dpi / 96.
void TForm1::LayoutControls() {
    FitClientArea();
    Image1.Window().Move(Scale(8), Scale(16), Scale(41), Scale(41));
    PlaceLabel(Label1, 64, 16, LabelFont{.face = kMincho, .height = 20, .bold = true});
    PlaceLabel(Label2, 64, 48, LabelFont{.face = kMincho, .height = 16});
    PlaceLabel(Label5, kLabel5Left, kMemoryLabelsTop, std::nullopt);
    PlaceLabel(Label6, kLabel6Left, kMemoryLabelsTop, std::nullopt);
    ProgressBar1.Window().Move(Scale(8), Scale(96), Scale(297), Scale(17));
    PlaceLabel(URLLabel, 8, 128, LabelFont{.face = kGothic, .height = 13, .underline = true});
    PlaceLabel(Label3, 8, 152, LabelFont{.face = kGothic, .height = 13});
    PlaceLabel(Label4, 8, 168, LabelFont{.face = kGothic, .height = 13});
    Button1.Window().Send(WM_SETFONT, reinterpret_cast<WPARAM>(Font()), FALSE);
    Button1.Window().Move(Scale(228), Scale(161), Scale(75), Scale(25));
    KeepUsageLabelWhole();
}

// A label at its designed place, in its own font (designed height) or else the form's.
void TForm1::PlaceLabel(TLabel& label, int x, int y, std::optional<LabelFont> font) {
    if (font) {
        font->height = Scale(font->height);
        label.SetFont(*font);
    } else {
        label.SetParentFont(Font());
    }
    label.Window().MoveTo(Scale(x), Scale(y));
}

void TForm1::DpiChanged(int /*oldDpi*/) { LayoutControls(); }

// The frame's size depends on the platform's metrics and theme: once the window exists, its
// outer size is corrected so that the client area is exactly as designed.
void TForm1::FitClientArea() {
    const int width = Scale(kClientWidth);
    const int height = Scale(kClientHeight);
    const win::Size client = Window().ClientSize();
    const win::Size outer = Window().OuterSize();
    if (client.width == width && client.height == height) return;
    Window().Resize(outer.width + width - client.width, outer.height + height - client.height);
}

void TForm1::FormCreate() {
    const std::string program = win::ModuleFileName();
    Label1.SetCaption(ExtractFileTitle(program));
    if (const auto version = ProgramFileVersion(program)) {
        Label2.SetCaption(kVersionPrefix + *version);
    }
    Label3.SetCaption(kCredits);
    Label4.SetCaption(kCopyright);
    Image1.SetIcon(LoadIconA(win::ModuleInstance(), IDI_MAINICON));
    ListUpMemory();
}

void TForm1::ListUpMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    // Should the query ever fail, the last figures stay: an error box every second would help
    // nobody.
    if (!GlobalMemoryStatusEx(&status)) return;
    const MemoryTexts texts =
        DescribeMemory(status.ullTotalPhys, status.ullAvailPhys, LocaleThousandsSeparator());
    Label5.SetCaption(texts.total);
    Label6.SetCaption(texts.usage);
    KeepUsageLabelWhole();
    ProgressBar1.SetRange(0, texts.gauge.max);
    ProgressBar1.SetPosition(texts.gauge.position);
}

// Label6 stands at 184 as designed (at 96 dpi). The 64-bit figures of a large machine can make it
// longer than the room up to the box's right edge; only then does it move left, just enough to stay
// whole, but not onto Label5.
void TForm1::KeepUsageLabelWhole() {
    const int designedLeft = Scale(kLabel6Left);
    const int width = Label6.Window().OuterSize().width;
    const int totalRight = Scale(kLabel5Left) + Label5.Window().OuterSize().width;
    const int fitting = std::min(designedLeft, Scale(kClientWidth) - width);
    const int left = std::max(fitting, std::min(designedLeft, totalRight + Scale(kLabelGap)));
    Label6.Window().MoveTo(left, Scale(kMemoryLabelsTop));
}

void TForm1::Timer1Timer() { ListUpMemory(); }

void TForm1::URLLabelClick() {
    // The launch is parented to the long-lived hidden instance; its result is not examined.
    const HWND parent = Form1 ? Form1->Handle() : Handle();
    ShellExecuteA(parent, "open", kHomePage, nullptr, nullptr, SW_SHOW);
}

void TForm1::Button1Click() { Close(); }

void TForm1::CentreOverMainWindow() {
    HWND over = centreOver_;
    if (!over && Application && Application->MainForm()) over = Application->MainForm()->Handle();
    const win::Size box = Window().OuterSize();
    int left = (GetSystemMetrics(SM_CXSCREEN) - box.width) / 2;
    int top = (GetSystemMetrics(SM_CYSCREEN) - box.height) / 2;
    if (over && IsWindow(over)) {
        const win::Hwnd owner(over);
        const RECT r = owner.WindowRect();
        left = r.left + (r.right - r.left - box.width) / 2;
        top = r.top + (r.bottom - r.top - box.height) / 2;
    }
    Window().MoveTo(std::max(left, 0), std::max(top, 0));
}

LRESULT TForm1::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (w && l == 0 && !shown_) {
                shown_ = true;
                CentreOverMainWindow();
            }
            break;
        case WM_SETFOCUS:
            // Like a dialog, the box gives the keyboard focus to its button.
            if (Button1.Handle()) {
                Button1.Focus();
                return 0;
            }
            break;
        case DM_GETDEFID:
            return MAKELRESULT(Button1.Id(), DC_HASDEFID);
        case WM_COMMAND:
            if (Button1.Handle() && LOWORD(w) == Button1.Id() && HIWORD(w) == BN_CLICKED) {
                Button1Click();
                return 0;
            }
            break;
        case WM_TIMER:
            if (w == kTimer1Id) {
                Timer1Timer();
                return 0;
            }
            break;
    }
    return TForm::HandleMessage(message, w, l);
}

void ShowAboutBox(HWND mainWindow) {
    TForm1 box(AboutInstance::Command, mainWindow);  // destroyed on every path
    box.ShowModal();
}
