#include "report/win32/report_printer.h"

#include <cstddef>
#include <utility>

namespace {
constexpr wchar_t kDocumentName[] = L"Dorvane";
constexpr wchar_t kPrintToFile[] = L"FILE:";
}  // namespace

CReportPrinter::CReportPrinter(DefaultOpener openDefault) : openDefault_(std::move(openDefault)) {}

// The default printer in landscape; without one the settings stay empty and
// the print dialog starts from whatever the system offers. A read that
// failed (no printer yet, a network printer that was off) is tried again at
// the next 印刷, so the landscape default still comes once the printer does.
void CReportPrinter::ReadDefaults() {
  if (!openDefault_(printer_) || !settings_.CopyFrom(printer_)) return;
  defaultsRead_ = true;
  DEVMODEW* settings = settings_.Get();
  // dmFields stays as the printer gave it.
  if (settings && settings->dmSize >= offsetof(DEVMODEW, dmOrientation) + sizeof(short)) {
    settings->dmOrientation = DMORIENT_LANDSCAPE;
  }
}

void CReportPrinter::PrepareDialog(CPrintDialog& dialog) {
  if (!defaultsRead_) ReadDefaults();
  dialog.SetStart(settings_.CopyOut(), printer_.MakeDevNames());
}

void CReportPrinter::KeepChoice(const PRINTDLGW& chosen) {
  // The user's choice stands from now on, even where the default printer
  // could not be read.
  defaultsRead_ = true;
  if (chosen.hDevMode) {
    LockedGlobal<DEVMODEW> mode(chosen.hDevMode);
    settings_.CopyFrom(mode.Get());
  }
  printer_.Close();
  LockedGlobal<DEVNAMES> names(chosen.hDevNames);
  if (names.Get()) {
    const wchar_t* name = reinterpret_cast<const wchar_t*>(names.Get()) + names.Get()->wDeviceOffset;
    printer_.Open(name, settings_.Get());
  }
}

void CReportPrinter::Print(HWND owner, IPrintJobInfo& pages) {
  CPrintDialog dialog;
  PrepareDialog(dialog);
  if (!dialog.DoModal(owner)) return;
  const PRINTDLGW& chosen = dialog.Result();
  KeepChoice(chosen);

  CPrintRun run;
  run.docInfo.cbSize = sizeof(run.docInfo);
  run.docInfo.lpszDocName = kDocumentName;
  // The spooler asks for the file's name.
  run.docInfo.lpszOutput = (chosen.Flags & PD_PRINTTOFILE) ? kPrintToFile : nullptr;
  run.pageSource = &pages;
  run.printer = printer_.Handle();
  run.defaultDeviceMode = settings_.Get();
  run.Run();
}
