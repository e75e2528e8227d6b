#include "report/win32/report_view.h"

#include <commctrl.h>

#include "base/system_time_win32.h"

namespace {
// Appends a tab whose item data is its page's window.
void AppendTab(HWND tab, const Text& text, HWND page) {
  TCITEMW item{};
  item.mask = TCIF_TEXT | TCIF_PARAM;
  item.pszText = const_cast<wchar_t*>(WStr(text));
  item.lParam = reinterpret_cast<LPARAM>(page);
  const LRESULT count = ::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0);
  ::SendMessageW(tab, TCM_INSERTITEMW, static_cast<WPARAM>(count),
                 reinterpret_cast<LPARAM>(&item));
}

void ShowPage(HWND page) {
  // A page that becomes visible repaints itself whole.
  if (!page) return;
  ::ShowWindow(page, SW_SHOW);
  ::SetFocus(page);
}
}  // namespace

void CReportView::Attach(HWND tab, HWND timePage, HWND staticsPage, HWND datePicker) {
  tab_ = tab;
  timeChart_.SubclassWindow(timePage);
  staticsChart_.SubclassWindow(staticsPage);
  AppendTab(tab_, timeChart_.ListName(), timeChart_.Hwnd());
  AppendTab(tab_, staticsChart_.ListName(), staticsChart_.Hwnd());
  staticsChart_.ShowWindow(SW_HIDE);
  ShowPage(SelectedPage());
  // Created at start-up, the picker holds today: the report first shows the
  // weeks of the start-up date.
  datePicker_ = datePicker;
  ReadReportDate();
}

bool CReportView::OnNotify(const NMHDR& header, LRESULT& result) {
  if (header.hwndFrom == tab_ && header.code == TCN_SELCHANGING) {
    if (HWND page = SelectedPage()) ::ShowWindow(page, SW_HIDE);
    result = 0;  // the change is allowed
    return true;
  }
  if (header.hwndFrom == tab_ && header.code == TCN_SELCHANGE) {
    ShowPage(SelectedPage());
    result = 0;
    return true;
  }
  if (header.hwndFrom == datePicker_ && header.code == DTN_DATETIMECHANGE) {
    ReadReportDate();
    InvalidatePages();
    result = 0;
    return true;
  }
  return false;
}

HWND CReportView::SelectedPage() const {
  const LRESULT selected = ::SendMessageW(tab_, TCM_GETCURSEL, 0, 0);
  if (selected < 0) return nullptr;
  TCITEMW item{};
  item.mask = TCIF_PARAM;
  if (!::SendMessageW(tab_, TCM_GETITEMW, static_cast<WPARAM>(selected),
                      reinterpret_cast<LPARAM>(&item))) {
    return nullptr;
  }
  return reinterpret_cast<HWND>(item.lParam);
}

const CReportPage* CReportView::SelectedChart() const {
  return dynamic_cast<const CReportPage*>(CBoundWindow::FromHandle(SelectedPage()));
}

void CReportView::ReadReportDate() {
  SYSTEMTIME picked{};
  if (::SendMessageW(datePicker_, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&picked)) !=
      GDT_VALID) {
    return;
  }
  reportDate_ = FromSystemTime(picked);
}

void CReportView::InvalidatePages() {
  ::InvalidateRect(timeChart_.Hwnd(), nullptr, TRUE);
  ::InvalidateRect(staticsChart_.Hwnd(), nullptr, TRUE);
  timeChart_.DaysChanged();
  staticsChart_.DaysChanged();
}

void CReportView::MoveWeek(int days) {
  ReadReportDate();
  // Month and year follow.
  AddDays(reportDate_, days);
  SYSTEMTIME picked = ToSystemTime(reportDate_);
  ::SendMessageW(datePicker_, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&picked));
  InvalidatePages();
}
