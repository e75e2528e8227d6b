// The pieces of printing that need no printer: the device-mode copy, the
// device-names block, and the print run's order of calls.
#include "report/win32/printing.h"
#include "report/win32/report_printer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "win/handles.h"
#include "win/spooler.h"

namespace {

std::vector<BYTE> DeviceMode(const wchar_t* name, WORD extra, BYTE fill) {
  std::vector<BYTE> bytes(sizeof(DEVMODEW) + extra, 0);
  auto* mode = reinterpret_cast<DEVMODEW*>(bytes.data());
  wcsncpy(mode->dmDeviceName, name, CCHDEVICENAME - 1);
  mode->dmSize = sizeof(DEVMODEW);
  mode->dmDriverExtra = extra;
  mode->dmFields = DM_ORIENTATION | DM_COPIES;
  mode->dmOrientation = DMORIENT_PORTRAIT;
  mode->dmCopies = 3;
  std::memset(bytes.data() + sizeof(DEVMODEW), fill, extra);
  return bytes;
}

TEST(DeviceModeCopy, KeepsTheModeWithItsDriversBytesAndHandsOutCopies) {
  CDeviceModeCopy copy;
  EXPECT_EQ(copy.Get(), nullptr);
  EXPECT_FALSE(copy.CopyOut()) << "nothing to hand out";
  EXPECT_FALSE(copy.CopyFrom(static_cast<const DEVMODEW*>(nullptr)));
  EXPECT_EQ(copy.Get(), nullptr);

  std::vector<BYTE> source = DeviceMode(L"PDF", 40, 0xA5);
  ASSERT_TRUE(copy.CopyFrom(reinterpret_cast<const DEVMODEW*>(source.data())));
  ASSERT_NE(copy.Get(), nullptr);
  EXPECT_NE(static_cast<void*>(copy.Get()), static_cast<void*>(source.data())) << "a copy, not the source";
  EXPECT_EQ(std::memcmp(copy.Get(), source.data(), source.size()), 0) << "dmSize + dmDriverExtra bytes";
  source[sizeof(DEVMODEW) + 5] = 0;
  EXPECT_EQ(reinterpret_cast<const BYTE*>(copy.Get())[sizeof(DEVMODEW) + 5], 0xA5);

  OwnedGlobal out = copy.CopyOut();
  ASSERT_TRUE(out);
  EXPECT_GE(::GlobalSize(out.Get()), sizeof(DEVMODEW) + 40);
  {
    LockedGlobal<DEVMODEW> mode(out.Get());
    ASSERT_NE(mode.Get(), nullptr);
    EXPECT_NE(mode.Get(), copy.Get()) << "the caller's own block";
    EXPECT_EQ(std::memcmp(mode.Get(), copy.Get(), sizeof(DEVMODEW) + 40), 0);
    mode.Get()->dmCopies = 9;
  }
  EXPECT_EQ(copy.Get()->dmCopies, 3) << "changing the handed-out block leaves the copy alone";

  // Replacing the copy with itself (the dialog's block may be ours) keeps it whole.
  copy.Get()->dmOrientation = DMORIENT_LANDSCAPE;
  ASSERT_TRUE(copy.CopyFrom(copy.Get()));
  EXPECT_EQ(copy.Get()->dmOrientation, DMORIENT_LANDSCAPE);
  EXPECT_EQ(reinterpret_cast<const BYTE*>(copy.Get())[sizeof(DEVMODEW) + 39], 0xA5);

  // Another mode with fewer private bytes replaces it whole.
  std::vector<BYTE> other = DeviceMode(L"Other", 4, 0x11);
  ASSERT_TRUE(copy.CopyFrom(reinterpret_cast<const DEVMODEW*>(other.data())));
  EXPECT_STREQ(copy.Get()->dmDeviceName, L"Other");
  EXPECT_EQ(copy.Get()->dmDriverExtra, 4);
  OwnedGlobal small = copy.CopyOut();
  EXPECT_GE(::GlobalSize(small.Get()), sizeof(DEVMODEW) + 4);
}

TEST(DeviceModeCopy, APrinterConnectionWithoutAPrinterGivesNothing) {
  CPrinterConnection none;
  CDeviceModeCopy copy;
  EXPECT_EQ(none.Handle(), nullptr);
  EXPECT_FALSE(copy.CopyFrom(none));
  EXPECT_EQ(copy.Get(), nullptr);
  EXPECT_EQ(none.Name(), u"");
  EXPECT_FALSE(none.MakeDevNames()) << "no name, no block";
  EXPECT_FALSE(CPrinterConnection::CreatePrinterDC(nullptr, nullptr));
  EXPECT_FALSE(none.Open(L"no such printer here", nullptr));
  EXPECT_EQ(none.Handle(), nullptr);
}

TEST(DevNames, HoldOnlyThePrintersNameRightBehindTheHeader) {
  const Text name = u"DorvanePDF 日本";
  OwnedGlobal block = CPrinterConnection::MakeDevNamesFor(name);
  ASSERT_TRUE(block);
  EXPECT_GE(::GlobalSize(block.Get()), 8 + 2 * (name.size() + 1));
  {
    LockedGlobal<DEVNAMES> names(block.Get());
    ASSERT_NE(names.Get(), nullptr);
    EXPECT_EQ(names.Get()->wDeviceOffset, 4) << "in characters: the name follows the 8-byte header";
    EXPECT_EQ(names.Get()->wDriverOffset, 0);
    EXPECT_EQ(names.Get()->wOutputOffset, 0);
    EXPECT_EQ(names.Get()->wDefault, 0);
    const wchar_t* text = reinterpret_cast<const wchar_t*>(names.Get()) + names.Get()->wDeviceOffset;
    EXPECT_EQ(std::wstring(text), std::wstring(reinterpret_cast<const wchar_t*>(name.c_str())));
  }
  EXPECT_FALSE(CPrinterConnection::MakeDevNamesFor(u""));
}

TEST(PrintDialog, AsksForTheReportsChoices) {
  EXPECT_EQ(CPrintDialog::kFlags, 0x4310Cu);
  CPrintDialog dialog;
  EXPECT_EQ(dialog.Result().lStructSize, sizeof(PRINTDLGW));
  EXPECT_NE(dialog.Result().lpfnPrintHook, nullptr) << "the flags enable both hooks";
  EXPECT_NE(dialog.Result().lpfnSetupHook, nullptr);
  // The dialog owns the blocks it is given and frees them with itself.
  dialog.SetStart(OwnedGlobal(::GlobalAlloc(GMEM_MOVEABLE, 16)), OwnedGlobal());
  EXPECT_NE(dialog.Result().hDevMode, nullptr);
}

TEST(ReportPrinter, ReadsTheDefaultPrinterAtTheFirstDialogAndAgainAfterAFailure) {
  int openings = 0;
  CReportPrinter printer([&openings](CPrinterConnection&) {
    ++openings;
    return false;
  });
  EXPECT_EQ(openings, 0);
  CPrintDialog first;
  printer.PrepareDialog(first);
  EXPECT_EQ(openings, 1);
  EXPECT_EQ(first.Result().hDevMode, nullptr) << "no printer: the dialog starts from the system's";
  EXPECT_EQ(first.Result().hDevNames, nullptr);
  CPrintDialog second;
  printer.PrepareDialog(second);
  EXPECT_EQ(openings, 2) << "a printer that comes later still gets its landscape default";
}

TEST(Spooler, ComesFromTheSystemDirectoryAndRefusesAnUnknownPrinter) {
  HANDLE printer = ::GetCurrentProcess();
  EXPECT_FALSE(spooler::OpenPrinterW(L"no such printer", &printer, nullptr));
  EXPECT_EQ(printer, nullptr);
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(::GetSystemDirectoryW(system, MAX_PATH), 0u);
  const std::wstring expected = std::wstring(system) + L"\\winspool.drv";
  EXPECT_EQ(lstrcmpiW(spooler::LibraryPath().c_str(), expected.c_str()), 0);
  wchar_t loaded[MAX_PATH] = {};
  ASSERT_GT(::GetModuleFileNameW(::GetModuleHandleW(L"winspool.drv"), loaded, MAX_PATH), 0u);
  EXPECT_EQ(lstrcmpiW(loaded, spooler::LibraryPath().c_str()), 0) << loaded;
}

// Records the calls of a print run.
class Script : public CPrintJobInfo {
 public:
  void BeginJob(HDC) override { calls += "begin "; }
  void EndJob(HDC, bool aborted) override { calls += aborted ? "end(aborted) " : "end "; }
  void BeforePage(UINT page, HDC dc) override {
    calls += "before" + std::to_string(page) + " ";
    CPrintJobInfo::BeforePage(page, dc);
  }
  bool DrawPage(UINT page, HDC) override {
    calls += "draw" + std::to_string(page) + " ";
    return page != failOn;
  }
  void AfterPage(UINT page, HDC dc) override {
    calls += "after" + std::to_string(page) + " ";
    CPrintJobInfo::AfterPage(page, dc);
  }
  bool IsPageValid(UINT page) override { return page < validPages; }

  std::string calls;
  UINT validPages = 1;
  UINT failOn = 99;
};

TEST(PrintRun, WithoutAPrinterOrADocumentNothingIsDrawn) {
  Script script;
  CPrintRun run;
  run.pageSource = &script;
  EXPECT_FALSE(run.Run()) << "no printer, no DC";
  EXPECT_EQ(script.calls, "");

  // A DC that is not a printer's refuses the document.
  OwnedDC memory(::CreateCompatibleDC(nullptr));
  run.docInfo.cbSize = sizeof(run.docInfo);
  run.docInfo.lpszDocName = L"Dorvane";
  if (::StartDocW(memory.Get(), &run.docInfo) > 0) {
    ::AbortDoc(memory.Get());
    GTEST_SKIP() << "this system starts documents on memory DCs";
  }
  PrintDocument gdi;
  EXPECT_FALSE(run.RunOn(memory.Get(), gdi));
  EXPECT_EQ(run.jobId, 0);
  EXPECT_EQ(script.calls, "") << "no page source call without a document";
}

// The spooler's answers, and the calls it got, in the same log as the page
// source's.
class ScriptedDocument : public PrintDocument {
 public:
  explicit ScriptedDocument(std::string& log) : log_(log) {}
  int StartDoc(HDC, const DOCINFOW& info) override {
    log_ += "startdoc(" + std::string(info.lpszDocName ? "named" : "unnamed") + ") ";
    return startDoc;
  }
  int StartPage(HDC) override { return log_ += "startpage ", startPage; }
  int EndPage(HDC) override { return log_ += "endpage ", endPage; }
  int EndDoc(HDC) override { return log_ += "enddoc ", 1; }
  int AbortDoc(HDC) override { return log_ += "abortdoc ", 1; }
  void ResetDC(HDC, const DEVMODEW& mode) override { log_ += "reset" + std::to_string(mode.dmCopies) + " "; }

  int startDoc = 7;
  int startPage = 1;
  int endPage = 1;

 private:
  std::string& log_;
};

class PrintRunTest : public ::testing::Test {
 protected:
  PrintRunTest() : document(script.calls) {
    run.pageSource = &script;
    run.docInfo.cbSize = sizeof(run.docInfo);
    run.docInfo.lpszDocName = L"Dorvane";
  }
  bool Run() { return run.RunOn(memory.Get(), document); }

  OwnedDC memory{::CreateCompatibleDC(nullptr)};
  Script script;
  ScriptedDocument document;
  CPrintRun run;
};

TEST_F(PrintRunTest, TheReportsOnePageIsDrawnBetweenTheDocumentsStartAndEnd) {
  EXPECT_TRUE(Run());
  EXPECT_EQ(script.calls,
            "startdoc(named) begin startpage before0 draw0 after0 endpage end enddoc ");
  EXPECT_EQ(run.jobId, 0) << "no job open after the run";
  EXPECT_FALSE(run.cancelled);
}

TEST_F(PrintRunTest, PagesRunFromFirstToLastWhileValid) {
  struct Case {
    UINT first, last, validPages;
    const char* calls;
    const char* why;
  };
  const Case cases[] = {
      {2, 4, 10,
       "startdoc(named) begin startpage before2 draw2 after2 endpage startpage before3 draw3 after3 "
       "endpage startpage before4 draw4 after4 endpage end enddoc ",
       "pages 2 to 4"},
      {0, 0xFFFFFFFFu, 2,
       "startdoc(named) begin startpage before0 draw0 after0 endpage startpage before1 draw1 after1 "
       "endpage end enddoc ",
       "the last page may be the largest number: the loop still ends"},
      {5, 4, 2, "startdoc(named) begin end enddoc ", "first after last: no page"},
  };
  for (const Case& c : cases) {
    script.calls.clear();
    run.firstPage = c.first;
    run.lastPage = c.last;
    script.validPages = c.validPages;
    EXPECT_TRUE(Run()) << c.why;
    EXPECT_EQ(script.calls, c.calls) << c.why;
  }
}

TEST_F(PrintRunTest, APageThatFailsToDrawAbortsTheDocument) {
  run.lastPage = 5;
  script.validPages = 10;
  script.failOn = 1;
  EXPECT_FALSE(Run());
  EXPECT_EQ(script.calls,
            "startdoc(named) begin startpage before0 draw0 after0 endpage startpage before1 draw1 after1 "
            "endpage end(aborted) abortdoc ");
  EXPECT_TRUE(run.cancelled);

  // The next run starts afresh.
  script.calls.clear();
  script.failOn = 99;
  run.lastPage = 0;
  EXPECT_TRUE(Run());
  EXPECT_FALSE(run.cancelled);
  EXPECT_EQ(script.calls, "startdoc(named) begin startpage before0 draw0 after0 endpage end enddoc ");
}

TEST_F(PrintRunTest, ASpoolerThatRefusesAPageAbortsTheDocumentAtOnce) {
  document.endPage = -1;
  EXPECT_FALSE(Run());
  EXPECT_EQ(script.calls, "startdoc(named) begin startpage before0 draw0 after0 endpage end(aborted) abortdoc ");

  script.calls.clear();
  document.endPage = 1;
  document.startPage = 0;
  EXPECT_FALSE(Run());
  EXPECT_EQ(script.calls, "startdoc(named) begin startpage end(aborted) abortdoc ") << "nothing drawn";

  // A refused document (also a cancelled print-to-file prompt) ends the run
  // before any page source call.
  script.calls.clear();
  document.startDoc = 0;
  EXPECT_FALSE(Run());
  EXPECT_EQ(script.calls, "startdoc(named) ");
  EXPECT_EQ(run.jobId, 0);
}

TEST_F(PrintRunTest, APageMayAskForItsOwnDeviceMode) {
  class Switching : public Script {
   public:
    const DEVMODEW* DeviceModeForPage(UINT previous, UINT page) override {
      calls += "mode" + std::to_string(previous) + ">" + std::to_string(page) + " ";
      return page == 1 ? &mode : nullptr;
    }
    DEVMODEW mode{};
  } switching;
  switching.mode.dmCopies = 2;
  switching.validPages = 2;
  ScriptedDocument doc(switching.calls);
  run.pageSource = &switching;
  run.lastPage = 1;
  EXPECT_TRUE(run.RunOn(memory.Get(), doc));
  EXPECT_EQ(switching.calls,
            "startdoc(named) begin mode0>0 startpage before0 draw0 after0 endpage mode0>1 reset2 startpage "
            "before1 draw1 after1 endpage end enddoc ");
}

TEST(PrintJobInfo, EachPageIsDrawnOnTheDcAsItWasBeforeThePage) {
  OwnedDC dc(::CreateCompatibleDC(nullptr));
  Script script;
  OwnedBrush brush(::CreateSolidBrush(RGB(1, 2, 3)));
  HGDIOBJ before = ::GetCurrentObject(dc.Get(), OBJ_BRUSH);
  script.BeforePage(0, dc.Get());
  ::SelectObject(dc.Get(), brush.Get());
  ::SetTextColor(dc.Get(), RGB(9, 9, 9));
  script.AfterPage(0, dc.Get());
  EXPECT_EQ(::GetCurrentObject(dc.Get(), OBJ_BRUSH), before);
  EXPECT_EQ(::GetTextColor(dc.Get()), RGB(0, 0, 0));
  EXPECT_EQ(script.DeviceModeForPage(0, 1), nullptr);
}

}  // namespace
