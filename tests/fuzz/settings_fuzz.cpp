// The settings-file reader on arbitrary bytes, through the INI codec and the
// item catalogue. Besides not crashing, it must keep its promises:
//  - whatever the codec reads, it writes so that it reads back the same:
//    every section, key and value, in the same encoding unless that encoding
//    cannot hold the text (then UTF-8 with a byte-order mark);
//  - the catalogue keeps its limits (at most 18 slots, never more names than
//    slots), and a catalogue saved and loaded again is the same catalogue:
//    names, colours and flags survive a restart unchanged;
//  - every name it delivers is refused by the name rule, or is written to
//    the record file and read back unchanged.
// Inputs are files of any length (see Unfold).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "data/ini_file.h"
#include "data/item_catalogue.h"
#include "fuzz_check.h"
#include "support/memory_files.h"
#include "support/record_properties.h"

namespace {

class FailingReporter : public DataReporter {
 public:
  void Report(const DataReport&) override {
    FUZZ_CHECK(!"a save to memory cannot fail");
  }
};

bool SameIni(const IniFile& a, const IniFile& b) {
  if (a.sections.size() != b.sections.size()) return false;
  for (size_t s = 0; s < a.sections.size(); ++s) {
    const IniSection& x = a.sections[s];
    const IniSection& y = b.sections[s];
    if (x.name != y.name || x.entries.size() != y.entries.size()) return false;
    for (size_t e = 0; e < x.entries.size(); ++e) {
      if (x.entries[e].key != y.entries[e].key || x.entries[e].value != y.entries[e].value) {
        return false;
      }
    }
  }
  return true;
}

bool SameCatalogue(const ItemCatalogue& a, const ItemCatalogue& b) {
  if (a.Count() != b.Count() || a.SlotCount() != b.SlotCount()) return false;
  for (int k = 0; k < a.SlotCount(); ++k) {
    if (a.SlotColor(k) != b.SlotColor(k) || a.SlotStatics(k) != b.SlotStatics(k)) return false;
  }
  for (int j = 0; j < a.Count(); ++j) {
    if (a.Name(j) != b.Name(j)) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes = Unfold(data, size);

  const IniFile ini = ParseIni(bytes);
  IniEncoding writtenAs;
  const std::string written = WriteIni(ini, &writtenAs);
  FUZZ_CHECK(writtenAs == ini.encoding || writtenAs == IniEncoding::kUtf8Bom);
  const IniFile again = ParseIni(written);
  FUZZ_CHECK(again.encoding == writtenAs);
  FUZZ_CHECK(SameIni(ini, again));

  MemoryFileSystem files;
  FailingReporter reporter;
  const Workspace ws{u"/fuzz", files, reporter};
  const Text path = JoinPath(ws.directory, u"Dorvane.ini");
  files.files[path] = bytes;
  ItemCatalogue loaded;
  loaded.Load(ws);
  FUZZ_CHECK(loaded.SlotCount() <= ItemCatalogue::kMaxSlots);
  FUZZ_CHECK(loaded.Count() <= loaded.SlotCount());
  for (int j = 0; j < loaded.Count(); ++j) {
    FUZZ_CHECK(!loaded.Name(j).empty());
    FUZZ_PROMISE(record_properties::NamePromiseBroken(loaded.Name(j)));
  }

  FUZZ_CHECK(loaded.Save(ws));
  FUZZ_CHECK(files.files.size() == 1);  // no temporary file left behind
  ItemCatalogue reloaded;
  reloaded.Load(ws);
  FUZZ_CHECK(SameCatalogue(loaded, reloaded));
  return 0;
}
