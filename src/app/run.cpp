#include "app/run.h"

#include <windows.h>

#include "app/single_instance.h"
#include "base/files.h"
#include "data/activity_data.h"
#include "shell/main_dlg.h"
#include "shell/message_box_notifier.h"
#include "shell/messages.h"
#include "win/message_loop.h"
#include "win/module.h"

int Run() {
  CMessageLoop loop;
  MessageLoopRegistration registration(&loop);

  MessageBoxNotifier notifier;
  ReportNotifier reports(notifier);
  ActivityData data(Workspace{CurrentDirectory(), RealFileSystem(), reports});
  data.catalogue.Load(data.ws);
  // May report the record file's failures and restore the running item.
  data.store.Load();

  CMainDlg dialog(data, notifier);
  // A second copy has read the files (and shown their messages) but never
  // writes them.
  OwnedKernelHandle instanceMutex;
  if (AnotherCopyRunning(instanceMutex)) {
    notifier.Show(kAlreadyRunning);
    return 0;
  }
  // Without a notification area yet the window waits for one, hidden and
  // holding the mutex, and ends the loop when none comes.
  if (!dialog.Create(nullptr)) return 0;
  dialog.ShowWindow(SW_HIDE);
  return loop.Run();
}
