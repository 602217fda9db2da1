#pragma once
// TMainForm1: the viewer's main window. An image frame with the thumbnail stretched over it,
// a two-panel status bar (file name, CAD release), the menu, and the three ways a drawing
// comes in: the command line, the open dialog and a file dropped from the shell.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "DisplayRules.h"
#include "Form.h"
#include "HelpRequest.h"
#include "Image.h"
#include "OpenDialog.h"
#include "Panel.h"
#include "StatusBar.h"
#include "text/FolderStep.h"

class TMainForm1 : public TForm {
  public:
    // Creates the window and its components and runs FormCreate; the window stays hidden
    // until ShowCentered.
    TMainForm1();
    ~TMainForm1() override;

    // Where every way of opening a drawing ends: shows its thumbnail, names it and its
    // release in the status bar and sizes the window to the thumbnail.
    void OpenDrawing(const std::string& path);

    TPanel Panel1;
    TImage Image1;
    TStatusBar StatusBar1;
    TOpenDialog OpenDialog1;

  protected:
    void CreateControls() override;
    void FormCreate() override;
    void Resized(win::Size client) override;
    void DpiChanged(int oldDpi) override;
    bool KeyDown(WPARAM key) override;
    LRESULT HandleMessage(UINT message, WPARAM w, LPARAM l) override;

  private:
    void OpenCommandLineDrawing();
    void WMDropFiles(HDROP drop);
    // Opens the drawing of the shown one's folder that `key` leads to, as the dialog would;
    // the folder is read afresh each time.
    void StepThroughFolder(folder::StepKey key);
    void MenuCommand(int id);

    void mOpen1Click();
    void mExit1Click();
    void mResizeClick();
    void mshortClick();
    void Help1Click();
    void About1Click();

    void ShowDrawingInfo(const std::string& path, const std::string& releaseCode, int32_t width,
                         int32_t height);
    void SetFirstPanelToHalf();
    // The outer size a thumbnail asks for, held within the work area of the window's monitor.
    void SizeToThumbnail(display::OuterSize wanted);
    // The outer size less the image area: caption, menu, status bar and borders.
    display::OuterSize ImageFrame() const;

    HelpRequest help_;
    // Where stepping goes on from: the drawing shown last, or the one a step opened last,
    // even if it showed nothing or failed, so that a step never sticks on it. Empty until a
    // drawing has been shown. Which of a name listed twice it is, so that the next step
    // moves past both.
    std::string stepFrom_;
    std::size_t stepOccurrence_ = 0;
};

// The one main window, set while it exists.
extern TMainForm1* MainForm1;
