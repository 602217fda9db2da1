#include "Main.h"

#include <algorithm>

#include "Application.h"
#include "DisplayRules.h"
#include "FileSystemLookup.h"
#include "FolderDrawings.h"
#include "Module.h"
#include "Shortcut.h"
#include "Ver.h"
#include "resource.h"
#include "text/CommandLine.h"
#include "text/LongPath.h"
#include "text/ShiftJis.h"

TMainForm1* MainForm1 = nullptr;

namespace {

constexpr int kStatusBarHeight = 20;
constexpr int kFirstPanelDesignWidth = 50;
constexpr char kOpenFilter[] = "CAD図面(*.DWG)\0*.DWG\0";  // the literal adds the last zero
constexpr char kChooseFile[] = "ファイルを選択";

}  // namespace

TMainForm1::TMainForm1() : OpenDialog1(std::string(kOpenFilter, sizeof kOpenFilter)) {
    MainForm1 = this;
    try {
        CreateForm(
            {.className = "TMainForm1",
             .caption = "Ortholux",
             .style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
             // Owned by the hidden application window, so it needs its own taskbar button.
             .exStyle = WS_EX_APPWINDOW,
             .outerSize = {display::kDesignOuterWidth, display::kDesignOuterHeight},
             .minOuterSize = {display::kMinOuterWidth, display::kMinOuterHeight},
             .menu = LoadMenuA(win::ModuleInstance(), MAKEINTRESOURCEA(IDR_MAINMENU1)),
             .icon = LoadIconA(win::ModuleInstance(), IDI_MAINICON),  // null: the default
             .font = {.face = "ＭＳ Ｐゴシック", .height = 12, .charset = SHIFTJIS_CHARSET}});
    } catch (...) {
        DestroyHandle();  // a half-made form ends whole too
        MainForm1 = nullptr;
        throw;
    }
}

TMainForm1::~TMainForm1() {
    // Every way out (Exit, the close box, a quit message from a later copy, an error out of
    // start-up) ends here: WM_DESTROY still reaches this form and its help request.
    DestroyHandle();
    MainForm1 = nullptr;
}

void TMainForm1::CreateControls() {
    Panel1.Create(Handle(), IDC_PANEL1);
    Image1.Create(Panel1.Handle(), IDC_IMAGE1);
    const int firstPanel = Scale(kFirstPanelDesignWidth);
    StatusBar1.Create(Handle(), IDC_STATUSBAR1, {firstPanel, firstPanel});
    StatusBar1.SetDpi(Dpi());
}

void TMainForm1::Resized(win::Size client) {
    if (!Panel1.Handle() || !StatusBar1.Handle()) return;  // still being created
    const int barHeight = Scale(kStatusBarHeight);
    const int frameHeight = std::max(client.height - barHeight, 0);
    StatusBar1.Window().Move(0, frameHeight, client.width, barHeight);
    Panel1.Window().Move(0, 0, client.width, frameHeight);
    const RECT inner = Panel1.InnerRect();
    Image1.Window().Move(inner.left, inner.top, inner.right - inner.left, inner.bottom - inner.top);
}

void TMainForm1::FormCreate() {
    // A drawing that fails to open is reported, and the window still takes drops.
    Application->Guarded([this] { OpenCommandLineDrawing(); });
    DragAcceptFiles(Handle(), TRUE);
}

void TMainForm1::OpenCommandLineDrawing() {
    const auto arguments = CommandLineArguments(GetCommandLineA());
    if (arguments.empty()) return;
    const std::string& first = arguments.front();  // further arguments are ignored
    if (!IsDrawingFileName(first)) {
        StatusBar1.SetPanelText(0, kChooseFile);
        SetFirstPanelToHalf();
        StatusBar1.SetPanelText(1, "");
        return;
    }
    // A relative path names a file in the current directory, never one in the drive root.
    const std::string path = IsRelativePath(first) ? FullPathName(first) : first;
    FileSystemLookup files;
    OpenDrawing(ExpandLongPath(path, files));
}

void TMainForm1::WMDropFiles(HDROP drop) {
    const win::ScopedDrop finish(drop);  // released on every path
    char name[256] = {};
    DragQueryFileA(drop, 0, name, sizeof name);
    const std::string path(name);
    if (IsDrawingFileName(path)) OpenDrawing(path);
}

void TMainForm1::StepThroughFolder(folder::StepKey key) {
    if (stepFrom_.empty()) return;  // no drawing shown yet
    const std::string dir = ExtractFileDir(stepFrom_);
    const std::vector<std::string> names = FolderDrawingNames(dir);
    const auto target = folder::StepTarget(names, {ExtractFileName(stepFrom_), stepOccurrence_},
                                           key, ExplorerNameOrder);
    if (!target) return;
    const std::string path = dir + (EndsWithSeparator(dir) ? "" : "\\") + names[*target];
    // Before opening: a drawing that fails is stepped past next time.
    stepFrom_ = path;
    stepOccurrence_ = folder::PositionOf(names, *target).occurrence;
    OpenDrawing(path);
}

void TMainForm1::SetFirstPanelToHalf() { StatusBar1.SetPanelWidth(0, StatusBar1.Width() / 2); }

// ---- menu commands ----

void TMainForm1::MenuCommand(int id) {
    switch (id) {
        case IDM_OPEN1:
            mOpen1Click();
            break;
        case IDM_EXIT1:
            mExit1Click();
            break;
        case IDM_RESIZE:
            mResizeClick();
            break;
        case IDM_SHORT:
            mshortClick();
            break;
        case IDM_HELP1:
            Help1Click();
            break;
        case IDM_ABOUT1:
            About1Click();
            break;
    }
}

void TMainForm1::mOpen1Click() {
    if (OpenDialog1.Execute(Application->Handle())) OpenDrawing(OpenDialog1.FileName());
}

void TMainForm1::mExit1Click() { Close(); }

void TMainForm1::mResizeClick() {
    const display::OuterSize design = display::DesignOuterSize(Dpi());
    SetOuterWidth(design.width);
    SetOuterHeight(design.height);
    SetFirstPanelToHalf();
}

void TMainForm1::mshortClick() { CreateDesktopShortcut(); }

void TMainForm1::Help1Click() {
    const std::string program = win::ModuleFileName();
    Application->SetHelpFile(ChangeFileExt(program, ".hlp"));
    // Where the engine does not work, the same help as a page beside the program.
    help_.Show(Handle(), Application->HelpFile(), ChangeFileExt(program, ".html"));
}

void TMainForm1::About1Click() { ShowAboutBox(Handle()); }

void TMainForm1::DpiChanged(int oldDpi) {
    StatusBar1.SetDpi(Dpi());  // the bar's text grows with its height
    // Panel 0 keeps its share of the bar: 50 as designed, or half after a drawing.
    StatusBar1.SetPanelWidth(0, MulDiv(StatusBar1.PanelWidth(0), Dpi(), oldDpi));
}

bool TMainForm1::KeyDown(WPARAM key) {
    // Bare keys only: combinations stay the system's and the menu's.
    if (GetKeyState(VK_CONTROL) < 0 || GetKeyState(VK_MENU) < 0) return false;
    switch (key) {
        case VK_RIGHT:
        case VK_NEXT:
            StepThroughFolder(folder::StepKey::Next);
            return true;
        case VK_LEFT:
        case VK_PRIOR:
            StepThroughFolder(folder::StepKey::Previous);
            return true;
        case VK_HOME:
            StepThroughFolder(folder::StepKey::First);
            return true;
        case VK_END:
            StepThroughFolder(folder::StepKey::Last);
            return true;
    }
    return false;
}

LRESULT TMainForm1::HandleMessage(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(w) == 0 && l == 0) {  // a menu item
                MenuCommand(LOWORD(w));
                return 0;
            }
            break;
        case WM_DROPFILES:
            WMDropFiles(reinterpret_cast<HDROP>(w));
            return 0;
        case WM_TIMER:
            if (help_.Tick(w)) return 0;
            break;
        case WM_DESTROY:
            help_.Quit();  // while the window that asked for help still exists
            break;
    }
    return TForm::HandleMessage(message, w, l);
}
