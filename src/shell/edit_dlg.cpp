#include "shell/edit_dlg.h"

#include <cderr.h>
#include <commctrl.h>
#include <commdlg.h>

#include <utility>

#include "base/files.h"
#include "resource.h"
#include "shell/message_box_notifier.h"
#include "win/centre.h"
#include "win/list_view.h"

namespace {

constexpr DWORD kFileNameUnits = 260;
constexpr DWORD kFileTitleUnits = 256;

// Two pairs, each string ending in its own null, and a null after the last.
constexpr wchar_t kRecordFileFilter[] =
    L"CSVファイル (*.csv)\0*.csv\0すべてのファイル (*.*)\0*.*\0";

}  // namespace

CEditDlg::CEditDlg(ActivityData& data, TooltipReceiver setTip)
    : CModalDialog(IDD_EDIT),
      data_(data),
      warnings_(&hwnd_),
      warningReports_(warnings_),
      editing_(data, warningReports_, std::move(setTip)) {}

bool CEditDlg::ProcessWindowMessage(HWND /*hwnd*/, UINT msg, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result) {
  switch (msg) {
    case WM_INITDIALOG:
      result = OnInitDialog();
      return true;
    case WM_NOTIFY:
      result = 0;
      return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND:
      result = 0;
      return OnCommand(LOWORD(wParam));
    default:
      return false;
  }
}

bool CEditDlg::OnNotify(const NMHDR& header) {
  if (header.idFrom == IDC_EDIT_DATALIST) {
    // Enter on a row sends NM_RETURN, then LVN_ITEMACTIVATE, which under
    // Wine is a bare NMHDR: its iItem would be read past the end. That
    // activation is of the focused row; iItem is read only from the mouse's.
    const bool afterReturn = lastListCode_ == NM_RETURN;
    lastListCode_ = header.code;
    if (header.code != LVN_ITEMACTIVATE) return false;
    LoadRow(afterReturn ? list_view::FocusedRow(list_)
                        : reinterpret_cast<const NMITEMACTIVATE&>(header).iItem);
    return true;
  }
  if (header.idFrom == IDC_EDIT_DATEPICK && header.code == DTN_DATETIMECHANGE) {
    EnableRowButtons(false);
    Refill();
    return true;
  }
  return false;
}

bool CEditDlg::OnCommand(UINT id) {
  switch (id) {
    case IDCANCEL:  // 閉じる, Enter (the default button) and Esc
      EndDialog(IDCANCEL);
      return true;
    case IDC_EDIT_ADD:
      OnAdd();
      return true;
    case IDC_EDIT_CHANGE:
      OnChange();
      return true;
    case IDC_EDIT_DELETE:
      OnDelete();
      return true;
    case IDC_EDIT_IMPORT:
      OnImport();
      return true;
    case IDC_EDIT_EXPORT:
      OnExport();
      return true;
    default:
      return false;
  }
}

LRESULT CEditDlg::OnInitDialog() {
  CenterWindow(hwnd_);
  list_ = GetDlgItem(IDC_EDIT_DATALIST);
  shownDate_ = GetDlgItem(IDC_EDIT_DATEPICK);
  startTime_ = GetDlgItem(IDC_EDIT_STARTTIME);
  endTime_ = GetDlgItem(IDC_EDIT_ENDTIME);
  startDate_ = GetDlgItem(IDC_EDIT_STARTDATE);
  endDate_ = GetDlgItem(IDC_EDIT_ENDDATE);
  deleteButton_ = GetDlgItem(IDC_EDIT_DELETE);
  changeButton_ = GetDlgItem(IDC_EDIT_CHANGE);
  itemBox_ = GetDlgItem(IDC_EDIT_ITEM);

  InitList();
  EnableRowButtons(false);
  for (HWND picker : {startTime_, endTime_}) {
    ::SendMessageW(picker, DTM_SETFORMATW, 0, reinterpret_cast<LPARAM>(L"HH:mm"));
  }
  // Entry j is item j: the selection is the item's index.
  for (int j = 0; j < data_.catalogue.Count(); ++j) {
    ::SendMessageW(itemBox_, CB_ADDSTRING, 0,
                   reinterpret_cast<LPARAM>(WStr(data_.catalogue.Name(j))));
  }
  rowToShow_ = 0;
  Refill();
  return TRUE;
}



int CEditDlg::SelectedRow() const { return list_view::SelectedRow(list_); }

int CEditDlg::SelectedItem() const {
  const LRESULT sel = ::SendMessageW(itemBox_, CB_GETCURSEL, 0, 0);
  return sel == CB_ERR ? -1 : static_cast<int>(sel);
}

void CEditDlg::EnableRowButtons(bool enable) const {
  ::EnableWindow(deleteButton_, enable);
  ::EnableWindow(changeButton_, enable);
}


void CEditDlg::LoadRow(int row) {
  const int index = RecordOfRow(data_.store, ShownDate(), row);
  if (index < 0) return;
  const ActivityRecord& record = std::as_const(data_.store).At(index);
  // 変更 and 削除 act on the selected row, so the activated row must be it. A
  // double click whose first press came before the list was refilled
  // activates a row without selecting it (only a single press selects); the
  // loaded times would otherwise be dropped by 変更 without a word.
  LVITEMW selected{};
  selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  selected.state = LVIS_SELECTED | LVIS_FOCUSED;
  ::SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&selected));
  // Only an entry of exactly this name: selecting 会議室 for a record of 会議
  // would rename the record at the next 変更. Without one the selection
  // stays as it was.
  const int item = data_.catalogue.FindByName(record.name);
  if (item >= 0) ::SendMessageW(itemBox_, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
  PutTime(startDate_, startTime_, record.start);
  PutTime(endDate_, endTime_, record.end);
  EnableRowButtons(true);
}

void CEditDlg::OnAdd() {
  const LocalDateTime date = ShownDate();
  const int index = editing_.Add(SelectedItem(), PickedTime(startDate_, startTime_),
                                 PickedTime(endDate_, endTime_));
  if (index < 0) {
    if (editing_.Reloaded()) Refill();
    return;
  }
  // The new record's row, when it starts on the shown day.
  const int row = RowOfRecord(data_.store, date, index);
  if (row >= 0) rowToShow_ = row;
  Refill();
}

void CEditDlg::OnChange() {
  const int row = SelectedRow();
  const int index = RecordOfRow(data_.store, ShownDate(), row);
  if (index >= 0) {
    if (SelectedItem() < 0) return;
    // A refused change keeps the list and its selection, so the user can
    // correct the times and press 変更 again.
    if (!editing_.Change(index, SelectedItem(), PickedTime(startDate_, startTime_),
                         PickedTime(endDate_, endTime_)) &&
        !editing_.Reloaded()) {
      return;
    }
  }
  rowToShow_ = row;
  Refill();
}

void CEditDlg::OnDelete() {
  const int row = SelectedRow();
  const int index = RecordOfRow(data_.store, ShownDate(), row);
  if (index >= 0) editing_.Delete(index);
  rowToShow_ = row;
  Refill();
}

void CEditDlg::OnImport() {
  Text path;
  if (!ChooseRecordFile(path)) return;
  editing_.Import(path);
  Refill();
}

void CEditDlg::OnExport() {
  Text path;
  if (!ChooseRecordFile(path)) return;
  editing_.Export(path, [this](const Text& existing) {
    return warnings_.AskYesNo(OverwriteQuestion(existing));
  });
}

bool CEditDlg::ChooseRecordFile(Text& path) {
  wchar_t file[kFileNameUnits] = L"";
  wchar_t title[kFileTitleUnits] = L"";
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof(ofn);
  ofn.hwndOwner = hwnd_;
  ofn.lpstrFilter = kRecordFileFilter;
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file;
  ofn.nMaxFile = kFileNameUnits;
  ofn.lpstrFileTitle = title;
  ofn.nMaxFileTitle = kFileTitleUnits;
  ofn.lpstrDefExt = L"csv";
  // The same open-file dialog serves export: it asks before a name that
  // does not exist is used; the export asks before it replaces a file.
  ofn.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_CREATEPROMPT;
  // Browsing makes the folder browsed to the current directory, and
  // OFN_NOCHANGEDIR does not prevent it for the open-file dialog. Left so,
  // that folder (a USB stick) could not be ejected for the rest of the run,
  // so the current directory is put back whatever the dialog's outcome.
  const Text current = CurrentDirectory();
  const BOOL chosen = ::GetOpenFileNameW(&ofn);
  // Cancel leaves no error; a name too long for the buffer does.
  const DWORD error = chosen ? 0 : ::CommDlgExtendedError();
  if (!current.empty()) ::SetCurrentDirectoryW(WStr(current));
  if (chosen) {
    path = FromWStr(file);
    return true;
  }
  if (error == FNERR_BUFFERTOOSMALL) {
    warnings_.Show(kFileNameTooLong);
  } else if (error != 0) {
    warnings_.Show(kFileNotChosen);
  }
  return false;
}
