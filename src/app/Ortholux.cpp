// The program file: the start-up sequence and nothing else.
#include <windows.h>

#include <optional>

#include "Application.h"
#include "Main.h"
#include "Module.h"
#include "Ver.h"
#include "text/ShiftJis.h"

namespace {

constexpr char kTitle[] = "Ortholux";

// An earlier copy's main window bears the title and is owned by that copy's application
// window: a quit message to the owner ends the earlier copy's message loop.
void EndEarlierCopy() {
    const HWND earlier = FindWindowA(nullptr, kTitle);
    if (!earlier) return;
    const HWND owner = GetWindow(earlier, GW_OWNER);
    // A titled window without an owner is not one of ours to end, and a quit message posted
    // to no window would end this copy's own loop instead.
    if (owner) PostMessageA(owner, WM_QUIT, 0, 0);
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        TApplication application;  // COM for this thread and the hidden application window
        EndEarlierCopy();          // before any window of ours bears the title
        application.SetTitle(kTitle);
        // The start-up setting; the Help command sets it again before every use.
        application.SetHelpFile(ChangeFileExt(win::ModuleFileName(), ".hlp"));

        TMainForm1 mainForm;  // FormCreate runs now: command-line drawing, drop registration
        application.SetMainForm(&mainForm);
        mainForm.ShowCentered();

        // The About box's hidden instance Form1 lives for the whole run. Should it fail, the
        // error is shown and the viewer goes on without it.
        std::optional<TForm1> form1;
        application.Guarded([&form1] { form1.emplace(AboutInstance::Startup); });

        application.Run();
    } catch (...) {
        ShowHandlerException(std::current_exception());
        return 1;
    }
    return 0;
}
