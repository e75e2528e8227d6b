// Another program writes data.csv or Dorvane.ini while Dorvane runs: before
// a save looks, while it waits out a hold, between its rename and anything
// it could read back, after it; an edit of the latest version, a copy read
// before Dorvane's last save, a restore with an old write time. Whatever
// either side wrote ends in the file or in one dated copy, told once.
#include <gtest/gtest.h>

#include <filesystem>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/activity_data.h"
#include "support/dates.h"
#include "support/faulty_files.h"
#include "support/records.h"
#include "support/temp_dir.h"

namespace {

enum class When {
  kBeforeTheCheck,    // after the change, before its save looks
  kDuringTheWait,     // the save finds the file held and waits
  kAfterTheRename,    // right after the save's rename, before anything else
  kAfterTheSave,      // before the next change looks
  kBeforeTheNextStart,  // the save went to the pending file; the program ended
};

enum class What {
  kEditOfTheLatest,            // what the file holds then, with D added
  kCopyReadBeforeTheLastSave,  // the file as it was before the save, with D added
  kRestoreWithAnOldWriteTime,  // an older version with D, its write time an hour back
  kTheSameWithAnEqualWriteTime,  // the file as it was, stamped with the pending file's time
};

// Another program that writes the file once, at the chosen moment.
class OtherProgram : public FaultyFileSystem {
 public:
  When when = When::kBeforeTheCheck;
  Text target;
  std::function<void()> write;

  void Wait(unsigned milliseconds) override {
    FaultyFileSystem::Wait(milliseconds);
    if (when == When::kDuringTheWait) Fire();
  }
  ReplaceResult Replace(const Text& from, const Text& to) override {
    const ReplaceResult result = FaultyFileSystem::Replace(from, to);
    if (when == When::kAfterTheRename && to == target && result == ReplaceResult::Done) Fire();
    return result;
  }
  void Fire() {
    if (!write) return;
    std::function<void()> once;
    once.swap(write);
    once();
  }
};

// Reports as values: the table does not depend on their wording.
struct KeptReports : DataReporter {
  void Report(const DataReport& report) override { reports.push_back(report); }
  std::vector<DataReport> reports;
};

// One of the two files: its content made of entries named by letters (a
// record each, or an item each in slots of their own), and the program's
// ways with it.
struct Side {
  const char16_t* name;
  std::string (*content)(const std::string& letters);
  void (*change)(ActivityData&, char letter);  // made and saved, as a pick or the settings do
  bool (*takeIn)(ActivityData&);
};

int HourOf(char letter) { return 8 + (letter - 'A') % 12; }

std::string CsvOf(const std::string& letters) {
  std::string bytes;
  for (char c : letters) {
    char line[64];
    std::snprintf(line, sizeof line, "%c,2010/04/05 %02d:00,2010/04/05 %02d:30\r\n", c, HourOf(c), HourOf(c));
    bytes += line;
  }
  return bytes;
}

constexpr int kSlots = 8;

std::string IniOf(const std::string& letters) {
  std::string bytes = "[ITEM]\r\n";
  for (int k = 1; k <= kSlots; ++k) {
    const std::string n = std::to_string(k);
    bytes += "ITEM" + n + "_COLOR=0x00000" + n + "\r\nITEM" + n + "_STATICS=1\r\n";
    if (k <= static_cast<int>(letters.size())) bytes += "ITEM" + n + "_NAME=" + letters[k - 1] + "\r\n";
  }
  return bytes;
}

const Side kCsv{u"data.csv", CsvOf,
                [](ActivityData& d, char c) {
                  d.store.Append(Rec(Text(1, static_cast<char16_t>(c)), DT(2010, 4, 5, HourOf(c), 0),
                                     DT(2010, 4, 5, HourOf(c), 30)));
                  d.store.Save();
                },
                [](ActivityData& d) { return d.store.TakeInEdit(); }};
const Side kIni{u"Dorvane.ini", IniOf,
                [](ActivityData& d, char c) {
                  d.catalogue.AddName(Text(1, static_cast<char16_t>(c)));
                  d.catalogue.Save(d.ws);
                },
                [](ActivityData& d) { return d.catalogue.TakeInEdit(d.ws); }};

struct Row {
  When when;
  What what;
  const char* final;  // the file's entries at the end
  const char* kept;   // the dated copy's entries; null: none
  DataEvent report;   // the one report (of the file, or of its pending file) when a copy was kept
};

// Each row runs against both files. The program loads A B, then makes C,
// then E (the save under test), then, after looking as a pick does, F. The
// other program's entry is D.
const Row kRows[] = {
    {When::kBeforeTheCheck, What::kEditOfTheLatest, "ABCEF", "ABCD", DataEvent::kChangedElsewhere},
    {When::kDuringTheWait, What::kEditOfTheLatest, "ABCEF", "ABCD", DataEvent::kChangedElsewhere},
    {When::kAfterTheRename, What::kEditOfTheLatest, "ABCEDF", nullptr, {}},
    {When::kAfterTheRename, What::kCopyReadBeforeTheLastSave, "ABCDF", "ABCE", DataEvent::kOwnVersionKept},
    {When::kAfterTheSave, What::kEditOfTheLatest, "ABCEDF", nullptr, {}},
    {When::kAfterTheSave, What::kCopyReadBeforeTheLastSave, "ABCDF", "ABCE", DataEvent::kOwnVersionKept},
    {When::kBeforeTheNextStart, What::kRestoreWithAnOldWriteTime, "ABDF", "ABCE", DataEvent::kStalePending},
    {When::kBeforeTheNextStart, What::kTheSameWithAnEqualWriteTime, "ABCEF", nullptr, {}},
};

void Load(ActivityData& d) {
  d.catalogue.Load(d.ws);
  d.store.Load();
}

TEST(OtherPrograms, WhateverEitherSideWroteEndsInTheFileOrInOneDatedCopy) {
  for (const Side* sidePtr : {&kCsv, &kIni}) {
    const Side& side = *sidePtr;
    for (const Row& row : kRows) {
      SCOPED_TRACE(testing::Message() << TextToUtf8(side.name) << ", row " << (&row - kRows));
      TempDir dir;
      OtherProgram fs;
      KeptReports told;
      const Text path = dir.File(side.name);
      fs.target = path;
      fs.when = row.when;
      WriteBytes(path, side.content("AB"));
      // The other file is there, untouched: its load reports nothing.
      if (&side == &kIni) WriteBytes(dir.File(u"data.csv"), "");
      auto data = std::make_unique<ActivityData>(Workspace{dir.Path(), fs, told});
      Load(*data);
      side.takeIn(*data);
      side.change(*data, 'C');

      const std::string before = ReadBytes(path);
      fs.write = [&] {
        namespace stdfs = std::filesystem;
        if (row.what == What::kTheSameWithAnEqualWriteTime) {
          stdfs::last_write_time(stdfs::path(path), stdfs::last_write_time(stdfs::path(PendingPath(path))));
          return;
        }
        const bool restore = row.what == What::kRestoreWithAnOldWriteTime;
        const bool onOurs = row.what == What::kEditOfTheLatest && ReadBytes(path) != before;
        SaveElsewhere(path, side.content(restore ? "ABD" : onOurs ? "ABCED" : "ABCD"));
        if (restore) Age(path);
      };
      side.takeIn(*data);
      if (row.when == When::kBeforeTheCheck) fs.Fire();
      if (row.when == When::kDuringTheWait) fs.HoldForReplaces(side.name, 1);
      if (row.when == When::kBeforeTheNextStart) fs.Lock(path);
      side.change(*data, 'E');
      fs.Heal();
      if (row.when == When::kAfterTheSave) fs.Fire();
      if (row.when == When::kBeforeTheNextStart) {
        // The program ends with its change in the pending file; the other
        // program writes; the program starts again.
        told.reports.clear();  // the held save's own message
        data.reset();
        fs.Fire();
        data = std::make_unique<ActivityData>(Workspace{dir.Path(), fs, told});
        Load(*data);
      }
      EXPECT_FALSE(fs.write) << "the other program never wrote";

      side.takeIn(*data);
      side.change(*data, 'F');
      EXPECT_EQ(ReadBytes(path), side.content(row.final));

      std::vector<Text> copies;
      for (const Text& name : dir.Names()) {
        if (name != u"data.csv" && name != u"data.bak" && name != u"Dorvane.ini") copies.push_back(dir.File(name));
      }
      // Every row runs: a failed row must not hide the next ones.
      EXPECT_EQ(copies.size(), row.kept ? 1u : 0u);
      EXPECT_EQ(told.reports.size(), row.kept ? 1u : 0u);
      if (!row.kept || copies.size() != 1 || told.reports.size() != 1) continue;
      EXPECT_EQ(ReadBytes(copies[0]), side.content(row.kept));
      EXPECT_EQ(told.reports[0].event, row.report);
      EXPECT_EQ(told.reports[0].subject, row.report == DataEvent::kStalePending ? PendingPath(path) : path);
      EXPECT_EQ(told.reports[0].keptCopy, copies[0]);
    }
  }
}

// A second copy reads the files and reports what it finds, but whatever its
// load would rename, copy or write waits for a start that runs.
TEST(OtherPrograms, ASecondCopysLoadLeavesEveryFileAsItWas) {
  const std::function<void(TempDir&, FaultyFileSystem&)> states[] = {
      [](TempDir& d, FaultyFileSystem&) { WriteBytes(d.File(u"data.csv"), "bad line\r\n"); },
      [](TempDir& d, FaultyFileSystem& f) {
        WriteBytes(d.File(u"data.csv"), CsvOf("AB"));
        f.PretendSize(d.File(u"data.csv"), kMaxReadBytes + 1);
      },
      [](TempDir& d, FaultyFileSystem&) { WriteBytes(d.File(u"data.bak"), CsvOf("AB")); },
      [](TempDir& d, FaultyFileSystem&) {
        WriteBytes(d.File(u"data.csv"), CsvOf("AB"));
        WriteBytes(d.File(u"data.csv.~pending"), CsvOf("ABC"));  // no record of its base
        WriteBytes(d.File(u"Dorvane.ini"), IniOf("AB"));
        WriteBytes(d.File(u"Dorvane.ini.~pending"), IniOf("ABC"));
      },
  };
  for (const auto& state : states) {
    SCOPED_TRACE(&state - states);
    TempDir dir;
    FaultyFileSystem real;
    state(dir, real);
    const std::vector<Text> names = dir.Names();
    ReadOnlyFileSystem lookOnly(real);
    KeptReports told;
    ActivityData second(Workspace{dir.Path(), lookOnly, told});
    Load(second);
    EXPECT_EQ(dir.Names(), names);
    EXPECT_FALSE(told.reports.empty()) << "its messages stay";
    for (const DataReport& r : told.reports) EXPECT_TRUE(r.keptCopy.empty()) << "nothing was kept";

    ActivityData first(Workspace{dir.Path(), real, told});
    Load(first);
    EXPECT_NE(dir.Names(), names) << "a start that runs keeps aside what it cannot use";
  }
}

}  // namespace
