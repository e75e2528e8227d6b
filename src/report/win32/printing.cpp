#include "report/win32/printing.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr DWORD kProfileCapacity = 512;

// GetPrinterW at `level` into a zero-filled buffer of the size it asks for;
// empty when the printer does not answer.
std::vector<BYTE> PrinterInfo(HANDLE printer, DWORD level) {
  if (!printer) return {};
  DWORD needed = 0;
  spooler::GetPrinterW(printer, level, nullptr, 0, &needed);
  if (needed == 0) return {};
  std::vector<BYTE> buffer(needed, 0);
  if (!spooler::GetPrinterW(printer, level, buffer.data(), needed, &needed)) return {};
  return buffer;
}

size_t DeviceModeSize(const DEVMODEW& mode) {
  return static_cast<size_t>(mode.dmSize) + mode.dmDriverExtra;
}

}  // namespace

// ---- printer ----

bool CPrinterConnection::OpenDefault() {
  Close();
  wchar_t device[kProfileCapacity] = {};
  ::GetProfileStringW(L"windows", L"device", L",,,", device, kProfileCapacity);
  // "name,driver,port": the name ends at the first comma. The default ",,,"
  // gives an empty name: no printer.
  wchar_t* end = device;
  while (*end && *end != L',') end = ::CharNextW(end);
  *end = L'\0';
  if (!device[0]) return false;
  HANDLE printer = nullptr;
  spooler::OpenPrinterW(device, &printer, nullptr);
  printer_.Reset(printer);
  return printer != nullptr;
}

bool CPrinterConnection::Open(const wchar_t* name, const DEVMODEW* deviceMode) {
  Close();
  PRINTER_DEFAULTSW defaults{};
  defaults.pDatatype = nullptr;
  defaults.pDevMode = const_cast<DEVMODEW*>(deviceMode);
  defaults.DesiredAccess = PRINTER_ACCESS_USE;
  HANDLE printer = nullptr;
  spooler::OpenPrinterW(name, &printer, &defaults);
  printer_.Reset(printer);
  return printer != nullptr;
}

Text CPrinterConnection::PrinterName(HANDLE printer) {
  std::vector<BYTE> info = PrinterInfo(printer, 5);
  if (!info.empty()) {
    return FromWStr(reinterpret_cast<const PRINTER_INFO_5W*>(info.data())->pPrinterName);
  }
  info = PrinterInfo(printer, 2);
  if (!info.empty()) {
    return FromWStr(reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pPrinterName);
  }
  return Text();
}

OwnedGlobal CPrinterConnection::MakeDevNames() const { return MakeDevNamesFor(Name()); }

OwnedGlobal CPrinterConnection::MakeDevNamesFor(const Text& printerName) {
  if (printerName.empty()) return OwnedGlobal();
  // The 8-byte header, then the name right behind it: offset 4 characters.
  const size_t bytes = sizeof(DEVNAMES) + sizeof(wchar_t) * (printerName.size() + 1);
  static_assert(sizeof(DEVNAMES) == 8, "four WORDs");
  OwnedGlobal block(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes));
  LockedGlobal<BYTE> data(block.Get());
  if (!data.Get()) return OwnedGlobal();
  auto* names = reinterpret_cast<DEVNAMES*>(data.Get());
  names->wDeviceOffset = sizeof(DEVNAMES) / sizeof(wchar_t);
  std::memcpy(data.Get() + sizeof(DEVNAMES), printerName.c_str(),
              sizeof(wchar_t) * printerName.size());
  return block;
}

OwnedDC CPrinterConnection::CreatePrinterDC(HANDLE printer, const DEVMODEW* deviceMode) {
  const Text name = PrinterName(printer);
  if (name.empty()) return OwnedDC();
  return OwnedDC(::CreateDCW(nullptr, WStr(name), nullptr, deviceMode));
}

// ---- device settings ----

bool CDeviceModeCopy::CopyFrom(const DEVMODEW* source) {
  if (!source) return false;
  const size_t size = DeviceModeSize(*source);
  OwnedGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
  auto* copy = block ? static_cast<DEVMODEW*>(::GlobalLock(block.Get())) : nullptr;
  if (!copy) return false;
  // The source may be the copy held now: fill the new block first.
  std::memcpy(copy, source, size);
  Free();
  block_ = std::move(block);
  deviceMode_ = copy;
  return true;
}

bool CDeviceModeCopy::CopyFrom(const CPrinterConnection& printer) {
  std::vector<BYTE> info = PrinterInfo(printer.Handle(), 2);
  if (info.empty()) return false;
  return CopyFrom(reinterpret_cast<const PRINTER_INFO_2W*>(info.data())->pDevMode);
}

OwnedGlobal CDeviceModeCopy::CopyOut() const {
  if (!deviceMode_) return OwnedGlobal();
  const size_t size = DeviceModeSize(*deviceMode_);
  OwnedGlobal block(::GlobalAlloc(GMEM_MOVEABLE, size));
  {
    LockedGlobal<DEVMODEW> copy(block.Get());
    if (!copy.Get()) return OwnedGlobal();
    std::memcpy(copy.Get(), deviceMode_, size);
  }
  return block;
}

void CDeviceModeCopy::Free() {
  if (!block_) return;
  ::GlobalUnlock(block_.Get());
  block_.Reset();
  deviceMode_ = nullptr;
}

// ---- print dialog ----

CPrintDialog::CPrintDialog() {
  pd_.lStructSize = sizeof(pd_);
  pd_.Flags = kFlags;
  pd_.lCustData = reinterpret_cast<LPARAM>(this);
  pd_.lpfnPrintHook = Hook;
  pd_.lpfnSetupHook = Hook;
}

void CPrintDialog::SetStart(OwnedGlobal deviceMode, OwnedGlobal deviceNames) {
  deviceMode_ = std::move(deviceMode);
  deviceNames_ = std::move(deviceNames);
  pd_.hDevMode = deviceMode_.Get();
  pd_.hDevNames = deviceNames_.Get();
}

bool CPrintDialog::DoModal(HWND owner) {
  pd_.hwndOwner = owner;
  pd_.hDevMode = deviceMode_.Release();
  pd_.hDevNames = deviceNames_.Release();
  const bool accepted = ::PrintDlgW(&pd_) != FALSE;
  deviceMode_.Reset(pd_.hDevMode);
  deviceNames_.Reset(pd_.hDevNames);
  dc_.Reset(pd_.hDC);
  window_ = nullptr;
  return accepted;
}

UINT_PTR CALLBACK CPrintDialog::Hook(HWND dialog, UINT msg, WPARAM /*wParam*/, LPARAM lParam) {
  // The hooks only tie the dialog window to its wrapper; every message is
  // left to the dialog's own procedure.
  if (msg == WM_INITDIALOG) {
    const auto* pd = reinterpret_cast<const PRINTDLGW*>(lParam);
    if (pd && pd->lCustData) reinterpret_cast<CPrintDialog*>(pd->lCustData)->window_ = dialog;
    return TRUE;
  }
  return 0;
}

// ---- print run ----

bool CPrintRun::Run() {
  OwnedDC dc = CPrinterConnection::CreatePrinterDC(printer, defaultDeviceMode);
  if (!dc) return false;
  PrintDocument document;
  return RunOn(dc.Get(), document);
}

bool CPrintRun::RunOn(HDC dc, PrintDocument& document) {
  cancelled = false;
  jobId = document.StartDoc(dc, docInfo);
  // Also what a cancelled file-name prompt of print-to-file gives.
  if (jobId <= 0) {
    jobId = 0;
    return false;
  }
  if (pageSource) {
    pageSource->BeginJob(dc);
    UINT previous = 0;
    for (UINT page = firstPage; page <= lastPage; ++page) {
      if (!pageSource->IsPageValid(page)) break;
      if (const DEVMODEW* mode = pageSource->DeviceModeForPage(previous, page)) {
        document.ResetDC(dc, *mode);
      }
      // A page the spooler refuses ends the job at once: aborted, not
      // reported as printed.
      if (document.StartPage(dc) <= 0) {
        cancelled = true;
        break;
      }
      pageSource->BeforePage(page, dc);
      if (!pageSource->DrawPage(page, dc)) cancelled = true;
      pageSource->AfterPage(page, dc);
      if (document.EndPage(dc) <= 0) cancelled = true;
      // Checked here, not by the loop: lastPage may be the largest number.
      if (cancelled || page == lastPage) break;
      previous = page;
    }
    pageSource->EndJob(dc, cancelled);
  }
  bool printed = false;
  if (cancelled) {
    document.AbortDoc(dc);
  } else {
    printed = document.EndDoc(dc) > 0;
  }
  jobId = 0;
  return printed;
}
