// The shell's side of taking in what other programs save to data.csv and
// Dorvane.ini: the folder's change notification starts a quiet timer, and
// when the folder has been quiet for about a second both files are looked
// at (EditWatch). A spreadsheet's save is a burst of temporary files and
// renames; looking in the middle of it would find a file half in place.
//
// The look waits while a menu or a modal dialog is open: the item menu's
// commands and the dialogs' rows are positions in what was shown, and an
// edit taken in under them would move them. The dialogs look themselves
// before each change; the watch's look follows when they close.
//
// Where no notification can be had (some network shares), the menus and
// the report look before they open, as the dialogs do.
#pragma once

#include <windows.h>

#include <functional>

#include "data/activity_data.h"
#include "data/edit_watch.h"
#include "win/folder_watch.h"

class CFileWatch {
 public:
  // The quiet timer's id on the window; the tray icon's timers are 1 and
  // 3, the catch-up timer 2.
  static constexpr UINT_PTR kQuietTimer = 4;
  static constexpr UINT kQuietMilliseconds = 1000;
  // A folder that never settles (a log written beside the files) is looked
  // at all the same once a burst has gone on this long.
  static constexpr DWORD kLongestBurst = 5000;
  // A file another program holds without sharing is looked at again at the
  // catch-up timer's pace while no change in the folder comes.
  static constexpr UINT kHeldMilliseconds = 4000;

  explicit CFileWatch(ActivityData& data, ChangeNotifications& notifications = SystemChangeNotifications())
      : data_(data), edits_(data), folder_(notifications) {}

  // From the window's creation to its destruction. `mayLook` says whether
  // nothing that shows positions in the data is open now; `followed` is
  // told when an edit was taken in (the running item may be another).
  void Attach(HWND window, CMessageLoop* loop, std::function<bool()> mayLook,
              std::function<void()> followed);
  void Detach();
  bool Watching() const { return folder_.Active(); }

  // WM_TIMER: true when it was the quiet timer's.
  bool OnTimer(UINT_PTR id);
  // A menu or a dialog closed: a look it held back is made now.
  void Resume();
  // Before a menu or the report opens: without a watch, the look the watch
  // would have made. True when an edit was taken in.
  bool LookBeforeShowing();

 private:
  void OnFolderChanged();
  void Look();

  ActivityData& data_;
  EditWatch edits_;
  CFolderWatch folder_;
  HWND window_ = nullptr;
  std::function<bool()> mayLook_;
  std::function<void()> followed_;
  bool timerRuns_ = false;
  DWORD burstStart_ = 0;
  bool heldBack_ = false;
  bool looking_ = false;
};
