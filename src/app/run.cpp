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
  // Looked for before the files are read: a second copy reads them (and
  // shows what it finds, as a start does), but its load renames, copies
  // and writes nothing under the running copy's feet. What it would have
  // kept aside waits for a start that runs.
  OwnedKernelHandle instanceMutex;
  const bool secondCopy = AnotherCopyRunning(instanceMutex);
  ReadOnlyFileSystem lookOnly(RealFileSystem());
  FileSystem& files = secondCopy ? static_cast<FileSystem&>(lookOnly) : RealFileSystem();
  ActivityData data(Workspace{CurrentDirectory(), files, reports});
  data.catalogue.Load(data.ws);
  // May report the record file's failures and restore the running item.
  data.store.Load();
  if (secondCopy) {
    notifier.Show(kAlreadyRunning);
    return 0;
  }

  CMainDlg dialog(data, notifier);
  // Without a notification area yet the window waits for one, hidden and
  // holding the mutex, and ends the loop when none comes.
  if (!dialog.Create(nullptr)) return 0;
  dialog.ShowWindow(SW_HIDE);
  return loop.Run();
}
