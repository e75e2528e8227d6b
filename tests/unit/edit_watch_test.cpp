#include "data/edit_watch.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/tracker.h"
#include "support/faulty_files.h"
#include "support/memory_files.h"
#include "support/recording_notifier.h"
#include "support/temp_dir.h"

namespace {

const char kOneSlot[] = "[ITEM]\r\nITEM1_COLOR=255\r\nITEM1_STATICS=1\r\nITEM1_NAME=A\r\n";
const char kTwoSlots[] = "[ITEM]\r\nITEM1_COLOR=255\r\nITEM1_STATICS=1\r\nITEM1_NAME=A\r\n"
                         "ITEM2_COLOR=65280\r\nITEM2_STATICS=1\r\nITEM2_NAME=B\r\n";
// A runs; B runs: the same size, other content.
const char kARuns[] = "A,2010/04/05 09:00,2010/04/05 09:00\r\n";
const char kBRuns[] = "B,2010/04/05 09:00,2010/04/05 09:00\r\n";
const char kAThenBRuns[] = "A,2010/04/05 09:00,2010/04/05 09:30\r\nB,2010/04/05 09:30,2010/04/05 09:30\r\n";

LocalDateTime TenOClock() { return LocalDateTime{2010, 4, 1, 5, 10, 0, 0, 0}; }

class EditWatchTest : public ::testing::Test {
 public:  // the table's steps reach the fixture through a reference
  EditWatchTest() : data_(Workspace{u"W", files_, notifier_}), watch_(data_) {}
  // Items A and B from Dorvane.ini, A running from data.csv, loaded afresh
  // as a start loads them; the watch then remembers both files.
  void Start() {
    files_.files[Settings()] = kTwoSlots;
    files_.files[Records()] = kARuns;
    data_.catalogue.Load(data_.ws);
    data_.store.Load();
    watch_.Start();
  }
  Text Records() const { return data_.store.DataPath(); }
  Text Settings() const { return SettingsPath(data_.ws); }
  // Another program writes the file: its last-write time moves on.
  void WriteByHand(const Text& path, const std::string& bytes) {
    files_.files[path] = bytes;
    files_.writes[path] = ++files_.clock;
  }
  void Touch(const Text& path) { files_.writes[path] = ++files_.clock; }
  void PickB() { PickItem(data_, 1, TenOClock, nullptr); }

  MemoryFileSystem files_;
  RecordingNotifier notifier_;
  ActivityData data_;
  EditWatch watch_;
};

// What happened to the folder since the last look, and what the look must
// make of it: an edit by hand is taken in, a touch and the program's own
// save are not.
TEST_F(EditWatchTest, OnlyAnotherProgramsChangeOfContentIsTakenIn) {
  struct Case {
    const char* what;
    std::function<void(EditWatchTest&)> happen;
    bool takenIn;
    const char16_t* running;  // after the look
    int items;
  };
  const Case cases[] = {
      {"nothing", [](EditWatchTest&) {}, false, u"A", 2},
      {"data.csv touched", [](EditWatchTest& t) { t.Touch(t.Records()); }, false, u"A", 2},
      {"data.csv replaced by an equal file", [](EditWatchTest& t) { t.WriteByHand(t.Records(), kARuns); }, false, u"A", 2},
      {"data.csv edited, same size", [](EditWatchTest& t) { t.WriteByHand(t.Records(), kBRuns); }, true, u"B", 2},
      {"data.csv edited, longer", [](EditWatchTest& t) { t.WriteByHand(t.Records(), kAThenBRuns); }, true, u"B", 2},
      {"the program's own pick", [](EditWatchTest& t) { t.PickB(); }, false, u"B", 2},
      {"the program's own pick, then touched", [](EditWatchTest& t) { t.PickB(); t.watch_.Look(); t.Touch(t.Records()); },
       false, u"B", 2},
      {"Dorvane.ini touched", [](EditWatchTest& t) { t.Touch(t.Settings()); }, false, u"A", 2},
      {"Dorvane.ini edited by hand", [](EditWatchTest& t) { t.WriteByHand(t.Settings(), kOneSlot); }, true, u"A", 1},
      {"Dorvane.ini edited and data.csv touched",
       [](EditWatchTest& t) { t.WriteByHand(t.Settings(), kOneSlot); t.Touch(t.Records()); }, true, u"A", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // Not a taking in of the reset: that would keep the last row's own pick
    // aside, which this row did not make.
    Start();
    ASSERT_EQ(data_.currentActivity, u"A");

    c.happen(*this);
    const EditWatch::Outcome outcome = watch_.Look();
    EXPECT_EQ(outcome.takenIn, c.takenIn);
    EXPECT_FALSE(outcome.lookAgain);
    EXPECT_EQ(data_.currentActivity, c.running);
    EXPECT_EQ(data_.catalogue.Count(), c.items);
    EXPECT_FALSE(watch_.Look().takenIn) << "a second look finds nothing new";
  }
  EXPECT_TRUE(notifier_.shown.empty());
}

// The decision alone, from the versions the file system shows.
TEST(LookAgain, TellsATouchFromAChangeOfContent) {
  struct Case {
    const char* what;
    const char* first;  // the file when first seen; null: none
    std::function<void(MemoryFileSystem&)> happen;
    FileChange expected;
  };
  const Text path = u"f";
  const Case cases[] = {
      {"as seen", "abc", [](MemoryFileSystem&) {}, FileChange::kNone},
      {"written with the same bytes", "abc", [&](MemoryFileSystem& fs) { fs.writes[path] = 99; }, FileChange::kTouched},
      {"same size, one byte other", "abc", [&](MemoryFileSystem& fs) { fs.files[path] = "abD"; }, FileChange::kContent},
      {"longer", "abc", [&](MemoryFileSystem& fs) { fs.files[path] = "abcd"; }, FileChange::kContent},
      {"emptied", "abc", [&](MemoryFileSystem& fs) { fs.files[path] = ""; }, FileChange::kContent},
      {"removed", "abc", [&](MemoryFileSystem& fs) { fs.files.erase(path); }, FileChange::kContent},
      {"no file, then an empty one", nullptr, [&](MemoryFileSystem& fs) { fs.files[path] = ""; }, FileChange::kContent},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryFileSystem fs;
    if (c.first) fs.files[path] = c.first;
    FileVersion seen;
    ASSERT_EQ(LookAgain(fs, path, seen), c.first ? FileChange::kContent : FileChange::kNone) << "first seen";
    c.happen(fs);
    EXPECT_EQ(LookAgain(fs, path, seen), c.expected);
    EXPECT_EQ(LookAgain(fs, path, seen), FileChange::kNone) << "remembered";
  }
}

// An edit in a file another program holds without sharing is not lost: the
// look says to come back, and takes it in once the file can be read.
TEST(EditWatchHeld, AnEditInAHeldFileIsTakenInOnceItCanBeRead) {
  TempDir dir;
  FaultyFileSystem files;
  RecordingNotifier notifier;
  ActivityData data(Workspace{dir.Path(), files, notifier});
  WriteBytes(data.store.DataPath(), kARuns);
  data.store.Load();
  EditWatch watch(data);
  watch.Start();

  WriteBytes(data.store.DataPath(), kAThenBRuns);
  files.Lock(data.store.DataPath());
  EditWatch::Outcome held = watch.Look();
  EXPECT_TRUE(held.lookAgain);
  EXPECT_FALSE(held.takenIn);
  EXPECT_EQ(data.currentActivity, u"A");

  files.Heal();
  EditWatch::Outcome freed = watch.Look();
  EXPECT_FALSE(freed.lookAgain);
  EXPECT_TRUE(freed.takenIn);
  EXPECT_EQ(data.currentActivity, u"B");
  EXPECT_TRUE(notifier.shown.empty());
}

}  // namespace
