#pragma once
// The application object: the hidden application window that owns the program's forms and
// boxes, the title, the help-file setting, the message loop and the one top-level handler
// that shows every error escaping a handler in the error box.
#include <windows.h>

#include <exception>
#include <string>
#include <vector>

#include "WindowBase.h"

class TForm;

class TApplication : public win::WindowBase {
  public:
    // Initialises COM for the thread (single-threaded apartment) and the common controls,
    // and creates the hidden application window, still without a title.
    TApplication();
    // Uninitialises COM if it was initialised.
    ~TApplication() override;

    const std::string& Title() const { return title_; }
    void SetTitle(const std::string& title);
    const std::string& HelpFile() const { return helpFile_; }
    void SetHelpFile(const std::string& path) { helpFile_ = path; }

    // The form whose closing ends the message loop.
    TForm* MainForm() const { return mainForm_; }
    void SetMainForm(TForm* form) { mainForm_ = form; }

    // Modeless dialogs get their keyboard navigation from the loop.
    void AddModelessDialog(HWND dialog) { modeless_.push_back(dialog); }
    void RemoveModelessDialog(HWND dialog);

    // Runs the message loop until a quit message arrives.
    void Run();

    // The error box: the exception's text with the final-period rule, captioned with the
    // title, stop icon and OK; the other windows of the program are disabled meanwhile.
    void ShowException(std::exception_ptr error);

    // Runs `action`, showing whatever it throws in the error box; returns normally either way.
    template <typename Action>
    void Guarded(Action&& action) {
        try {
            action();
        } catch (...) {
            ShowException(std::current_exception());
        }
    }

  private:
    bool IsModelessDialogMessage(MSG& message) const;

    bool comInitialized_ = false;
    std::string title_;
    std::string helpFile_;
    TForm* mainForm_ = nullptr;
    std::vector<HWND> modeless_;
};

// The one application object, set while it exists (C++Builder style: Application->Title()).
extern TApplication* Application;

// The text the error box shows for an exception: an AppError's own text, "メモリが足りません"
// for an allocation failure, any other standard exception's what().
std::string ExceptionText(std::exception_ptr error);

// The top-level handler that window thunks call; shows the error even before (or after) the
// application object exists.
void ShowHandlerException(std::exception_ptr error) noexcept;
