#include "shell/about_dlg.h"

#include "resource.h"
#include "win/centre.h"

CAboutDlg::CAboutDlg() : CModalDialog(IDD_ABOUTBOX) {}

bool CAboutDlg::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM /*lParam*/,
                                     LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG:
      // Over its owner, or over the work area when the owner is the hidden
      // report window. TRUE puts the focus on OK, the first control that
      // takes it.
      CenterWindow(hwnd_);
      result = TRUE;
      return true;
    case WM_COMMAND:
      // The close box and Escape arrive as IDCANCEL; any notification code.
      if (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL) return false;
      EndDialog(LOWORD(wParam));
      result = 0;
      return true;
    default:
      return false;
  }
}
