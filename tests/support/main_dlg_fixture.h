// A CMainDlg's surroundings, faked: the thread's message loop registered as
// at start-up, the notification area, the monitors, the files and the boxes.
// The dialog itself is made by each test's fixture, on the clock it needs.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "shell/main_dlg.h"
#include "support/memory_files.h"
#include "support/recording_notifier.h"
#include "support/shell_fakes.h"
#include "support/win32_messages.h"
#include "win/message_loop.h"
#include "win/module.h"

class MainDlgFixture : public ::testing::Test {
 protected:
  explicit MainDlgFixture(const Text& folder) : registration_(&loop_), data_(Workspace{folder, files_, notifier_}) {}
  void SetUp() override { DrainMessages(); }

  CMessageLoop loop_;
  MessageLoopRegistration registration_;
  FakeTray tray_;
  RecordingNotifier notifier_;
  FakeMonitors monitors_;
  MemoryFileSystem files_;
  ActivityData data_;
  std::unique_ptr<CMainDlg> dialog_;
};
