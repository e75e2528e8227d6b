#include "app/run.h"

#include <windows.h>

#include "app/single_instance.h"
#include "base/files.h"
#include "data/activity_data.h"
#include "shell/main_dlg.h"
#include "shell/message_box_notifier.h"
#include "win/message_loop.h"
#include "win/module.h"

int Run() {
  CMessageLoop loop;
  MessageLoopRegistration registration(&loop);

  MessageBoxNotifier notifier;
  Workspace workspace;
  workspace.directory = CurrentDirectory();
  workspace.files = &RealFileSystem();
  workspace.notifier = &notifier;
  ActivityData data(workspace);
  data.catalogue.Load(data.ws);
  // May report the record file's failures and restore the running item.
  data.store.Load();

  CMainDlg dialog(data, notifier);
  // A second copy has read the files (and shown their messages) but never
  // writes them.
  OwnedKernelHandle instanceMutex;
  if (AnotherCopyRunning(instanceMutex)) {
    ::MessageBoxW(nullptr, L"起動済みです", L"通知", MB_OK);
    return 0;
  }
  // Without a notification area yet the window waits for one, hidden and
  // holding the mutex, and ends the loop when none comes.
  if (!dialog.Create(nullptr)) return 0;
  dialog.ShowWindow(SW_HIDE);
  return loop.Run();
}
