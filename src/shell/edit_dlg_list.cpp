// CEditDlg's list of the shown day's records and its date and time pickers.
#include "shell/edit_dlg.h"

#include <commctrl.h>

#include "base/system_time_win32.h"
#include "win/list_view.h"

namespace {

constexpr int kItemColumnWidth = 180;
constexpr int kTimeColumnWidth = 100;

LocalDateTime PickerTime(HWND picker) {
  SYSTEMTIME st{};
  ::SendMessageW(picker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st));
  return FromSystemTime(st);
}

void SetPickerTime(HWND picker, const LocalDateTime& t) {
  SYSTEMTIME st = ToSystemTime(t);
  ::SendMessageW(picker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
}

Text HourMinute(const LocalDateTime& t) {
  return FormatText(u"%02u:%02u", static_cast<unsigned>(t.wHour), static_cast<unsigned>(t.wMinute));
}

void AppendRow(HWND list, const ActivityRecord& record) {
  const int row = list_view::AppendRow(list, record.name);
  if (row < 0) return;
  list_view::SetCell(list, row, 1, HourMinute(record.start));
  list_view::SetCell(list, row, 2, HourMinute(record.end));
}

}  // namespace

void CEditDlg::InitList() {
  // A single click activates a row, and the whole row takes the click.
  list_view::SetExtendedStyles(list_, LVS_EX_FULLROWSELECT | LVS_EX_ONECLICKACTIVATE);
  list_view::InsertColumn(list_, 0, L"項目", kItemColumnWidth, LVCFMT_LEFT);
  list_view::InsertColumn(list_, 1, L"開始時刻", kTimeColumnWidth, LVCFMT_CENTER);
  list_view::InsertColumn(list_, 2, L"終了時刻", kTimeColumnWidth, LVCFMT_CENTER);
}

LocalDateTime CEditDlg::ShownDate() const { return PickerTime(shownDate_); }

LocalDateTime CEditDlg::PickedTime(HWND datePicker, HWND timePicker) const {
  const LocalDateTime date = PickerTime(datePicker);
  LocalDateTime t = PickerTime(timePicker);
  t.wYear = date.wYear;
  t.wMonth = date.wMonth;
  t.wDayOfWeek = date.wDayOfWeek;
  t.wDay = date.wDay;
  return t;
}

void CEditDlg::PutTime(HWND datePicker, HWND timePicker, const LocalDateTime& t) const {
  SetPickerTime(datePicker, t);
  SetPickerTime(timePicker, t);
}

void CEditDlg::Refill() {
  const LocalDateTime date = ShownDate();
  list_view::DeleteAllRows(list_);
  const RecordStore& store = data_.store;  // read only: nothing here is a change
  for (int index : RecordsOfDate(store, date)) AppendRow(list_, store.At(index));
  // The row to show is a row of the day's list, but it is kept only while
  // the whole store has that many records; a list with fewer rows simply
  // does not scroll.
  if (rowToShow_ >= 0 && rowToShow_ < data_.store.Count()) {
    ::SendMessageW(list_, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rowToShow_), FALSE);
  } else {
    rowToShow_ = -1;
  }
}
