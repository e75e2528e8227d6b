// The report's printer: the printer and settings that 印刷 starts from, kept
// for the run and never written to disk, and the command's mechanics (the
// print dialog started from them, the choice kept for the next time, one
// document named "Dorvane" from the page source).
//
// The default printer is opened when it is first needed, not at start-up: a
// network printer that is off stalls OpenPrinterW and GetPrinterW for seconds.
#pragma once

#include <windows.h>

#include <functional>

#include "report/win32/printing.h"

class CReportPrinter {
 public:
  // Opens the user's default printer into the connection.
  using DefaultOpener = std::function<bool(CPrinterConnection&)>;
  static bool SpoolerDefault(CPrinterConnection& printer) { return printer.OpenDefault(); }

  explicit CReportPrinter(DefaultOpener openDefault = SpoolerDefault);

  // Shows the print dialog owned by `owner`, keeps the printer and settings
  // chosen there, and prints the pages of `pages` as one document. Nothing is
  // shown to the user when it fails: the print dialog and the spooler speak
  // for themselves.
  void Print(HWND owner, IPrintJobInfo& pages);
  // The dialog's starting point: the kept settings and the kept printer's
  // name (either block may be empty: the dialog then starts from the
  // system's default printer). The first call reads the default printer;
  // while that fails and nothing was chosen, every call tries again.
  void PrepareDialog(CPrintDialog& dialog);

 private:
  void ReadDefaults();
  void KeepChoice(const PRINTDLGW& chosen);

  DefaultOpener openDefault_;
  bool defaultsRead_ = false;
  CPrinterConnection printer_;
  CDeviceModeCopy settings_;
};
