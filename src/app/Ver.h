#pragma once
// TForm1: the About box. The program's name and file version, a credits and a copyright line,
// the application icon, the physical memory with a gauge of the share in use (refreshed every
// second) and a link that opens the home page in the web browser.
#include <windows.h>

#include <optional>

#include "Button.h"
#include "Form.h"
#include "IconImage.h"
#include "Label.h"
#include "ProgressBar.h"
#include "Timer.h"

// The two kinds of instance. They differ in what a timer the platform can't give means.
enum class AboutInstance {
    // The hidden Form1 created at start-up that lives for the whole run; it goes on without
    // its timer, as nobody sees its figures.
    Startup,
    // A box the About command shows modally and destroys; without a timer it can't be built
    // and fails with "タイマーを取得できません".
    Command,
};

class TForm1 : public TForm {
  public:
    // Creates the box hidden and runs FormCreate. `centreOver` is the window the box is
    // centred over at its first showing (the main window when null).
    explicit TForm1(AboutInstance kind, HWND centreOver = nullptr);
    ~TForm1() override;

    TIconImage Image1;
    TLabel Label1;
    TLabel Label2;
    TLabel Label5;
    TLabel Label6;
    TProgressBar ProgressBar1;
    TLabel URLLabel;
    TLabel Label3;
    TLabel Label4;
    TButton Button1;
    TTimer Timer1;

  protected:
    void CreateControls() override;
    void FormCreate() override;
    void DpiChanged(int oldDpi) override;
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    void ListUpMemory();
    void Timer1Timer();
    void URLLabelClick();
    void Button1Click();

    void LayoutControls();
    void PlaceLabel(TLabel& label, int x, int y, std::optional<LabelFont> font);
    void FitClientArea();
    void KeepUsageLabelWhole();
    void CentreOverMainWindow();

    AboutInstance kind_;
    HWND centreOver_;
    bool shown_ = false;
};

// The hidden About instance created at start-up; its window is the parent of the home-page
// launch. Null before it exists and after it is gone.
extern TForm1* Form1;

// The About command: a fresh box centred over `mainWindow`, shown modally and destroyed when
// it closes, also when building or showing it fails.
void ShowAboutBox(HWND mainWindow);
