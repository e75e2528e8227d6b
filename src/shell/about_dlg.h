// The About box (dialog 100): the program's icon, name and version and an
// OK button. It keeps no data of its own.
#pragma once

#include "win/window.h"

class CAboutDlg : public CModalDialog {
 public:
  CAboutDlg();

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;
};
