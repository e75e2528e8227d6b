// CMainDlg's commands that open a window or a page of their own: the three
// dialogs of the command menu, the help page and the printed report.
#include "shell/main_dlg.h"

#include <shellapi.h>

#include "data/help_page.h"
#include "shell/about_dlg.h"
#include "shell/edit_dlg.h"
#include "shell/messages.h"

INT_PTR CMainDlg::ShowModal(CModalDialog& dialog) {
  INT_PTR result = 0;
  {
    ShowingScope showing(windowShowing_);
    ShowingScope modal(modalOpen_);
    result = dialog.DoModal(::GetActiveWindow());
  }
  // The wait for a notification area ran out meanwhile, and no shell took
  // the icon since.
  if (endAfterModal_ && !trayIcon_.Added()) OnNoNotificationArea();
  endAfterModal_ = false;
  watch_.Resume();
  return result;
}

// The three dialogs of the command menu, each shown through ShowModal, which
// keeps WindowShowing set while it is open.
void CMainDlg::OnSettings() {
  TakeInEdits();
  CConfDlg dialog(data_, customColours_);
  ShowModal(dialog);
}

void CMainDlg::OnEditor() {
  TakeInEdits();
  CEditDlg dialog(data_, [this](const Text& running) { SetTrayTip(TrayTip(running)); });
  ShowModal(dialog);
}

void CMainDlg::OnAbout() {
  // A box that cannot be created returns at once; WindowShowing is cleared
  // all the same.
  CAboutDlg about;
  ShowModal(about);
}

// Opens the help page of the working directory in the program the system
// associates with it. The page is the user's document: it is not read or
// checked here, and a failure is only reported.
void CMainDlg::OnHelp() {
  Text path = HelpPagePath(data_.ws.directory);
  HINSTANCE opened =
      ::ShellExecuteW(hwnd_, L"open", WStr(path), nullptr, nullptr, SW_SHOWDEFAULT);
  MessageText failure;
  if (HelpOpenFailed(reinterpret_cast<INT_PTR>(opened), failure)) {
    notifier_.Show(failure.text, failure.caption, failure.icon);
  }
}

// Prints the shown tab on one page.
void CMainDlg::OnPrint() { printer_.Print(::GetActiveWindow(), *this); }

bool CMainDlg::DrawPage(UINT page, HDC dc) {
  if (page != 0) return false;
  // No tab selected: a blank page, still a page.
  if (const CReportPage* chart = report_.SelectedChart()) chart->DrawOnPage(dc);
  return true;
}
