// CEditDlg: the record editor (dialog 130). It shows the records that start
// on one day and adds, changes and deletes records, imports record files
// into the store and exports the store; every change is saved at once.
#pragma once

#include <windows.h>

#include "data/activity_data.h"
#include "data/record_editing.h"
#include "shell/message_box_notifier.h"
#include "shell/messages.h"
#include "win/window.h"

class CEditDlg : public CModalDialog {
 public:
  // setTip receives the running item when a change starts, renames or stops
  // the running activity.
  CEditDlg(ActivityData& data, TooltipReceiver setTip);

  bool ProcessWindowMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) override;

 private:
  LRESULT OnInitDialog();
  bool OnNotify(const NMHDR& header);
  bool OnCommand(UINT id);

  void InitList();
  void Refill();
  void LoadRow(int row);
  void OnAdd();
  void OnChange();
  void OnDelete();
  void OnImport();
  void OnExport();

  // The file dialog of import and export; false when the user cancels.
  bool ChooseRecordFile(Text& path);

  LocalDateTime ShownDate() const;
  // Year, month, weekday and day from the date picker; hour, minute and
  // second from the time picker.
  LocalDateTime PickedTime(HWND datePicker, HWND timePicker) const;
  void PutTime(HWND datePicker, HWND timePicker, const LocalDateTime& t) const;
  int SelectedRow() const;
  int SelectedItem() const;
  void EnableRowButtons(bool enable) const;

  ActivityData& data_;
  // The editor's warnings: message boxes owned by the dialog.
  MessageBoxNotifier warnings_;
  ReportNotifier warningReports_;
  RecordEditing editing_;

  HWND list_ = nullptr;
  HWND shownDate_ = nullptr;
  HWND startTime_ = nullptr;
  HWND endTime_ = nullptr;
  HWND startDate_ = nullptr;
  HWND endDate_ = nullptr;
  HWND deleteButton_ = nullptr;
  HWND changeButton_ = nullptr;
  // The row scrolled into view by the next refill, or -1.
  int rowToShow_ = 0;
  HWND itemBox_ = nullptr;
  // The list's last notification code: tells Enter's activation from the
  // mouse's.
  UINT lastListCode_ = 0;
};
