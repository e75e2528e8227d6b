// Every path that saves the records (a pick, the editor's add, change and
// delete, an import) under the faults a save can meet: after each, data.csv
// holds the complete old or the complete new list, data.bak a complete
// earlier one, a failed save was reported once with the open-failure message,
// the change stays in memory and, where the fault lets it be written, in the
// pending file, nothing temporary is left, and the next change after the
// fault is gone saves everything and removes the pending file. The
// step-by-step faults of the save itself are the record store's own tests.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/record_editing.h"
#include "data/record_file.h"
#include "data/tracker.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/recording_notifier.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace {

std::string Format(const std::vector<ActivityRecord>& records) {
  std::string bytes;
  FormatRecordFile(records, bytes);
  return bytes;
}


struct Fault {
  const char* name;
  std::function<void(FaultyFileSystem&, const Text& csv)> inject;
  bool pending = false;  // only data.csv fails: the pending file holds the change
};

struct SavePath {
  const char* name;
  // Makes one change through the path; `import` is a valid record file.
  std::function<void(ActivityData&, RecordEditing&, const Text& import)> change;
};

TEST(SavePaths, EveryCallerKeepsBothFilesWholeUnderEveryFault) {
  const Fault faults[] = {
      {"temporary file not created", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Create); }},
      {"write fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Write); }},
      {"flush fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Flush); }},
      {"replace fails", [](FaultyFileSystem& f, const Text&) { f.Fail(FileStep::Replace, u"data.csv.~tmp"); }, true},
      {"disk full", [](FaultyFileSystem& f, const Text&) { f.DiskFullAfter(40); }},
      {"disk full, no links",
       [](FaultyFileSystem& f, const Text&) {
         f.Fail(FileStep::HardLink);
         f.DiskFullAfter(40);
       }},
      {"data.csv locked", [](FaultyFileSystem& f, const Text& csv) { f.Lock(csv); }, true},
      {"backup fails", [](FaultyFileSystem& f, const Text&) {
         f.Fail(FileStep::HardLink);
         f.Fail(FileStep::Create, u"data.bak.tmp");
       }},
  };
  const SavePath paths[] = {
      {"pick", [](ActivityData& d, RecordEditing&, const Text&) {
         PickItem(d, 1, [] { return DT(2010, 4, 5, 14, 30); }, nullptr);
       }},
      {"editor add", [](ActivityData&, RecordEditing& e, const Text&) {
         e.Add(1, DT(2010, 4, 5, 7), DT(2010, 4, 5, 8));
       }},
      {"editor change", [](ActivityData&, RecordEditing& e, const Text&) {
         e.Change(0, 1, DT(2010, 4, 4, 9), DT(2010, 4, 4, 11));
       }},
      {"editor delete", [](ActivityData&, RecordEditing& e, const Text&) { e.Delete(1); }},
      {"import", [](ActivityData&, RecordEditing& e, const Text& import) { e.Import(import); }},
  };
  // data.bak: an earlier day; data.csv: that day and this morning, 会議 running.
  const std::vector<ActivityRecord> earlier = {Rec(u"会議", DT(2010, 4, 4, 9), DT(2010, 4, 4, 10))};
  std::vector<ActivityRecord> current = earlier;
  current.push_back(Rec(u"作業", DT(2010, 4, 5, 9), DT(2010, 4, 5, 12)));
  current.push_back(Rec(u"会議", DT(2010, 4, 5, 13), DT(2010, 4, 5, 13)));

  for (const SavePath& path : paths) {
    for (const Fault& fault : faults) {
      SCOPED_TRACE(std::string(path.name) + ", " + fault.name);
      TempDir dir;
      const Text csv = dir.File(u"data.csv");
      const Text bak = dir.File(u"data.bak");
      const Text import = dir.File(u"import.csv");
      WriteBytes(bak, Format(earlier));
      WriteBytes(csv, Format(current));
      WriteBytes(import, Format({Rec(u"作業", DT(2010, 4, 3, 8), DT(2010, 4, 3, 9))}));
      const std::vector<Text> files = {u"data.bak", u"data.csv", u"import.csv"};

      FaultyFileSystem fs;
      RecordingNotifier shown;
      RecordingNotifier dialog;
      ActivityData data(Workspace{dir.Path(), fs, shown});
      for (uint32_t color : {0x0000FFu, 0x00FF00u}) data.catalogue.AddSlot(color, 1);
      data.catalogue.AddName(u"会議");
      data.catalogue.AddName(u"作業");
      data.store.Load();
      ASSERT_EQ(data.currentActivity, u"会議");
      RecordEditing editing(data, dialog, nullptr);

      fault.inject(fs, csv);
      path.change(data, editing, import);
      const std::string changed = Format(data.store.Records());
      ASSERT_NE(changed, Format(current)) << "the path changed nothing";
      EXPECT_TRUE(dialog.shown.empty());

      const std::string csvAfter = ReadBytes(csv);
      const bool saved = csvAfter == changed;
      EXPECT_TRUE(saved || csvAfter == Format(current));
      const std::string bakAfter = ReadBytes(bak);
      EXPECT_TRUE(bakAfter == Format(earlier) || bakAfter == Format(current));
      if (saved) {
        EXPECT_TRUE(shown.shown.empty());
      } else {
        ASSERT_EQ(shown.shown.size(), 1u);
        EXPECT_EQ(shown.shown[0].text, u"ファイルを開けませんでした\r\n" + csv);
      }
      if (fault.pending) {
        EXPECT_EQ(ReadBytes(dir.File(u"data.csv.~pending")), changed);
      }
      const std::vector<Text> withPending = {u"data.bak", u"data.csv", u"data.csv.~base", u"data.csv.~pending",
                                             u"import.csv"};
      EXPECT_EQ(dir.Names(), fault.pending ? withPending : files);

      // The fault is gone: the next change saves the list, this one included.
      fs.Heal();
      shown.shown.clear();
      PickItem(data, 0, [] { return DT(2010, 4, 5, 16); }, nullptr);
      EXPECT_TRUE(shown.shown.empty());
      EXPECT_EQ(ReadBytes(csv), Format(data.store.Records()));
      EXPECT_EQ(ReadBytes(bak), csvAfter);
      EXPECT_EQ(dir.Names(), files);
    }
  }
}

}  // namespace
