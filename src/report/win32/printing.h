// Printing a report page: the printer and its device settings that the
// report keeps between Print commands, the print dialog, and the print run
// that spools one document synchronously, asking a page source to draw.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include "base/text.h"
#include "win/handles.h"

// A locked view of a movable memory block for one scope; null when the
// block is null or cannot be locked.
template <typename T>
class LockedGlobal {
 public:
  explicit LockedGlobal(HGLOBAL block)
      : block_(block), data_(block ? static_cast<T*>(::GlobalLock(block)) : nullptr) {}
  ~LockedGlobal() {
    if (data_) ::GlobalUnlock(block_);
  }
  LockedGlobal(const LockedGlobal&) = delete;
  LockedGlobal& operator=(const LockedGlobal&) = delete;
  T* Get() const { return data_; }

 private:
  HGLOBAL block_;
  T* data_;
};

// The page source of a print run. Page numbers count from 0.
class IPrintJobInfo {
 public:
  // Once, after the document was started.
  virtual void BeginJob(HDC dc) = 0;
  // Once, after the last page and before the document is ended or aborted.
  virtual void EndJob(HDC dc, bool aborted) = 0;
  // After each page was started.
  virtual void BeforePage(UINT page, HDC dc) = 0;
  // False cancels the run after this page.
  virtual bool DrawPage(UINT page, HDC dc) = 0;
  // After drawing, before the page is ended.
  virtual void AfterPage(UINT page, HDC dc) = 0;
  // A device mode to switch the DC to before the page starts, or null.
  virtual const DEVMODEW* DeviceModeForPage(UINT previousPage, UINT page) = 0;
  // The run stops at the first page that is not valid.
  virtual bool IsPageValid(UINT page) = 0;

 protected:
  ~IPrintJobInfo() = default;
};

// Defaults: each page is drawn between SaveDC and RestoreDC, so nothing a
// page selects carries over to the next; one device mode for the document.
class CPrintJobInfo : public IPrintJobInfo {
 public:
  void BeginJob(HDC /*dc*/) override {}
  void EndJob(HDC /*dc*/, bool /*aborted*/) override {}
  void BeforePage(UINT /*page*/, HDC dc) override { savedPageState_ = ::SaveDC(dc); }
  void AfterPage(UINT /*page*/, HDC dc) override { ::RestoreDC(dc, savedPageState_); }
  const DEVMODEW* DeviceModeForPage(UINT /*previousPage*/, UINT /*page*/) override {
    return nullptr;
  }

 protected:
  ~CPrintJobInfo() = default;

 private:
  int savedPageState_ = 0;
};

// One printer handle from the spooler, or none.
class CPrinterConnection {
 public:
  HANDLE Handle() const { return printer_.Get(); }

  // The system's default printer ("windows"/"device" of the user's profile).
  // True when a handle is now held.
  bool OpenDefault();
  // With `deviceMode` (may be null) as the handle's default device mode.
  bool Open(const wchar_t* name, const DEVMODEW* deviceMode);
  void Close() { printer_.Reset(); }

  // The printer's name (level 5, else level 2); empty when neither answers.
  static Text PrinterName(HANDLE printer);
  Text Name() const { return PrinterName(Handle()); }

  // A DEVNAMES block (movable) that names the printer alone; empty when
  // there is no printer name.
  OwnedGlobal MakeDevNames() const;
  static OwnedGlobal MakeDevNamesFor(const Text& printerName);

  // A printer DC with the given device mode; empty when there is no printer
  // name.
  static OwnedDC CreatePrinterDC(HANDLE printer, const DEVMODEW* deviceMode);

 private:
  OwnedPrinter printer_;
};

// A copy of a DEVMODEW (with its driver's private bytes) in a movable block
// that stays locked while it is owned, so Get() is always valid.
class CDeviceModeCopy {
 public:
  CDeviceModeCopy() = default;
  ~CDeviceModeCopy() { Free(); }
  CDeviceModeCopy(const CDeviceModeCopy&) = delete;
  CDeviceModeCopy& operator=(const CDeviceModeCopy&) = delete;

  DEVMODEW* Get() const { return deviceMode_; }

  // Replaces the copy; a null source changes nothing and returns false.
  bool CopyFrom(const DEVMODEW* source);
  // The printer's settings (PRINTER_INFO_2W's device mode).
  bool CopyFrom(const CPrinterConnection& printer);
  // A new movable block with the copy; empty when there is no copy.
  OwnedGlobal CopyOut() const;

 private:
  void Free();

  OwnedGlobal block_;
  DEVMODEW* deviceMode_ = nullptr;
};

// The print dialog (PrintDlgW). What it hands back belongs to this object and
// is freed with it: the device-mode and device-names blocks and the DC.
class CPrintDialog {
 public:
  // The report's choices: all pages, copies in the device mode, no page
  // numbers, no selection, a DC returned, and the hooks enabled (0x4310C).
  static constexpr DWORD kFlags = PD_ALLPAGES | PD_USEDEVMODECOPIES | PD_NOPAGENUMS |
                                  PD_NOSELECTION | PD_RETURNDC | PD_ENABLEPRINTHOOK |
                                  PD_ENABLESETUPHOOK;

  CPrintDialog();
  CPrintDialog(const CPrintDialog&) = delete;
  CPrintDialog& operator=(const CPrintDialog&) = delete;

  // The blocks the dialog starts from.
  void SetStart(OwnedGlobal deviceMode, OwnedGlobal deviceNames);
  // True when the user accepted the dialog.
  bool DoModal(HWND owner);

  const PRINTDLGW& Result() const { return pd_; }
  // The dialog window while it is open (for its hooks), else null.
  HWND Window() const { return window_; }

 private:
  static UINT_PTR CALLBACK Hook(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam);

  // pd_ names the same handles; PrintDlgW may free the blocks it is given and
  // hand back others, so while it runs they belong to it.
  PRINTDLGW pd_{};
  OwnedGlobal deviceMode_;
  OwnedGlobal deviceNames_;
  OwnedDC dc_;
  HWND window_ = nullptr;
};

// The spooler's side of a print run: GDI's document calls on the printer DC.
// Tests put a script in its place.
class PrintDocument {
 public:
  virtual ~PrintDocument() = default;
  virtual int StartDoc(HDC dc, const DOCINFOW& info) { return ::StartDocW(dc, &info); }
  virtual int StartPage(HDC dc) { return ::StartPage(dc); }
  virtual int EndPage(HDC dc) { return ::EndPage(dc); }
  virtual int EndDoc(HDC dc) { return ::EndDoc(dc); }
  virtual int AbortDoc(HDC dc) { return ::AbortDoc(dc); }
  virtual void ResetDC(HDC dc, const DEVMODEW& mode) { ::ResetDCW(dc, &mode); }
};

// One print job: the document's pages from first to last, spooled on the
// calling thread.
struct CPrintRun {
  HANDLE printer = nullptr;                   // borrowed, never closed here
  IPrintJobInfo* pageSource = nullptr;
  const DEVMODEW* defaultDeviceMode = nullptr;  // borrowed
  DOCINFOW docInfo{};
  int jobId = 0;                              // from StartDocW; 0 when no job is open
  bool cancelled = false;
  UINT firstPage = 0;
  UINT lastPage = 0;

  // Creates the printer DC and prints. False when no job could be started
  // or the job was aborted.
  bool Run();
  // The same on a DC the caller made (and deletes).
  bool RunOn(HDC dc, PrintDocument& document);
};
