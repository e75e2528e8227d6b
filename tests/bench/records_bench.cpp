// Loading, saving and picking against a plain program that does the same
// file work with no abstraction, in the same run:
//   PlainLoad: read the file, convert it from code page 932 in one call,
//              parse it into one heap object per record.
//   PlainPick: close the last record and append one, copy data.csv to
//              data.bak, format every line into one buffer, convert it in one
//              call, write it to a temporary file, flush it to the disk,
//              rename it over data.csv and flush the directory, as Save does.
// Every benchmark works on files in a fresh temporary directory.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/recording_notifier.h"
#include "support/sample_history.h"
#include "records_bench.h"
#include "data/activity_data.h"
#include "data/record_file.h"
#include "data/tracker.h"

namespace records_bench {

class BenchDir {
 public:
  BenchDir() {
    const char* tmp = std::getenv("TMPDIR");
    std::string templ = std::string(tmp && *tmp ? tmp : "/tmp") + "/dorvane-bench-XXXXXX";
    if (mkdtemp(&templ[0]) != nullptr) path_ = templ;
  }
  ~BenchDir() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  std::string File(const char* name) const { return path_ + "/" + name; }
  Text Dir() const { return TextFromUtf8(path_); }

 private:
  std::string path_;
};

bool WriteWholeFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

// The same history file for every benchmark of a size.
const std::string& HistoryFile(int n) {
  static std::map<int, std::string> files;
  std::string& bytes = files[n];
  if (bytes.empty()) FormatRecordFile(sample::MakeHistory(n), bytes);
  return bytes;
}

// A clock that moves on seven minutes at every reading, from 2030-01-01.
class SteppingClock {
 public:
  LocalDateTime operator()() {
    minutes_ += 7;
    LocalDateTime t;
    t.wYear = 2030;
    t.wMonth = 1;
    t.wDay = static_cast<uint16_t>(1 + (minutes_ / (24 * 60)) % 28);
    t.wHour = static_cast<uint16_t>((minutes_ / 60) % 24);
    t.wMinute = static_cast<uint16_t>(minutes_ % 60);
    return t;
  }

 private:
  long minutes_ = 0;
};

struct Fixture {
  explicit Fixture(benchmark::State& state) : n(static_cast<int>(state.range(0))) {
    if (!dir.ok() || !WriteWholeFile(dir.File("data.csv"), HistoryFile(n))) {
      state.SkipWithError("cannot prepare the temporary directory");
      failed = true;
    }
  }
  Workspace Ws() { return Workspace{dir.Dir(), RealFileSystem(), notifier}; }
  int n;
  BenchDir dir;
  RecordingNotifier notifier;
  bool failed = false;
};

void Load(benchmark::State& state) {
  Fixture fx(state);
  if (fx.failed) return;
  for (auto _ : state) {
    auto data = std::make_unique<ActivityData>(fx.Ws());
    data->store.Load();
    if (data->store.Count() != fx.n || !fx.notifier.shown.empty()) {
      state.SkipWithError("load failed");
      break;
    }
    state.PauseTiming();
    data.reset();
    state.ResumeTiming();
  }
}

void Save(benchmark::State& state) {
  Fixture fx(state);
  if (fx.failed) return;
  ActivityData data(fx.Ws());
  data.store.Load();
  for (auto _ : state) {
    if (!data.store.Save()) {
      state.SkipWithError("save failed");
      break;
    }
  }
}

void Pick(benchmark::State& state) {
  Fixture fx(state);
  if (fx.failed) return;
  ActivityData data(fx.Ws());
  data.catalogue = sample::MakeCatalogue();
  data.store.Load();
  SteppingClock clock;
  Clock readClock = [&clock] { return clock(); };
  int item = 0;
  for (auto _ : state) {
    PickItem(data, item, readClock, nullptr);
    item = 1 - item;  // every pick a switch: close one interval, open another
  }
  if (!fx.notifier.shown.empty()) state.SkipWithError("pick failed");
}

// ---- the plain program ----

struct PlainTime {
  unsigned short year, month, day, hour, minute;
};
struct PlainRecord {
  std::u16string name;
  PlainTime start, end;
};

std::u16string PlainDecode(const std::string& bytes) {
  iconv_t cd = iconv_open("UTF-16LE", "CP932");
  std::u16string out(bytes.size(), u'\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* o = reinterpret_cast<char*>(&out[0]);
  size_t outLeft = out.size() * 2;
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft / 2);
  return out;
}

std::string PlainEncode(const std::u16string& text) {
  iconv_t cd = iconv_open("CP932", "UTF-16LE");
  std::string out(text.size() * 2, '\0');
  char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.data()));
  size_t inLeft = text.size() * 2;
  char* o = &out[0];
  size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

const char16_t* PlainNumber(const char16_t* p, unsigned short& v) {
  v = 0;
  while (*p >= u'0' && *p <= u'9') v = static_cast<unsigned short>(v * 10 + (*p++ - u'0'));
  return p + 1;  // past the separator
}

std::vector<PlainRecord*> PlainRead(const std::string& path) {
  std::vector<PlainRecord*> records;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return records;
  std::string bytes;
  char buffer[65536];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, got);
  std::fclose(f);
  const std::u16string text = PlainDecode(bytes);
  const char16_t* p = text.c_str();
  while (*p) {
    auto* r = new PlainRecord;
    const char16_t* comma = p;
    while (*comma != u',') ++comma;
    r->name.assign(p, comma);
    p = comma + 1;
    for (PlainTime* t : {&r->start, &r->end}) {
      p = PlainNumber(p, t->year);
      p = PlainNumber(p, t->month);
      p = PlainNumber(p, t->day);
      p = PlainNumber(p, t->hour);
      p = PlainNumber(p, t->minute);
    }
    if (*p == u'\n') ++p;  // the comma after the end time is the CR
    records.push_back(r);
  }
  return records;
}

void PlainFree(std::vector<PlainRecord*>& records) {
  for (PlainRecord* r : records) delete r;
  records.clear();
}

void PlainLoad(benchmark::State& state) {
  Fixture fx(state);
  if (fx.failed) return;
  const std::string path = fx.dir.File("data.csv");
  for (auto _ : state) {
    std::vector<PlainRecord*> records = PlainRead(path);
    if (static_cast<int>(records.size()) != fx.n) {
      state.SkipWithError("plain load failed");
      break;
    }
    state.PauseTiming();
    PlainFree(records);
    state.ResumeTiming();
  }
}

void PlainAppendNumber(std::u16string& out, unsigned v, bool pad) {
  char16_t digits[8];
  int n = 0;
  do {
    digits[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v != 0);
  if (pad && n < 2) digits[n++] = u'0';
  while (n > 0) out.push_back(digits[--n]);
}

void PlainAppendTime(std::u16string& out, const PlainTime& t) {
  PlainAppendNumber(out, t.year, false);
  out.push_back(u'/');
  PlainAppendNumber(out, t.month, true);
  out.push_back(u'/');
  PlainAppendNumber(out, t.day, true);
  out.push_back(u' ');
  PlainAppendNumber(out, t.hour, true);
  out.push_back(u':');
  PlainAppendNumber(out, t.minute, true);
}

bool PlainSave(const std::vector<PlainRecord*>& records, const std::string& dir) {
  const std::string path = dir + "/data.csv";
  std::error_code ec;
  std::filesystem::copy_file(path, dir + "/data.bak",
                             std::filesystem::copy_options::overwrite_existing, ec);
  std::u16string text;
  text.reserve(records.size() * 40);
  for (const PlainRecord* r : records) {
    text += r->name;
    text.push_back(u',');
    PlainAppendTime(text, r->start);
    text.push_back(u',');
    PlainAppendTime(text, r->end);
    text += u"\r\n";
  }
  const std::string bytes = PlainEncode(text);
  const std::string temp = path + ".new";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) return false;
  // The rename is on the disk once the directory is.
  int dirFd = open(dir.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirFd < 0) return false;
  ok = fsync(dirFd) == 0;
  return close(dirFd) == 0 && ok;
}

void PlainPick(benchmark::State& state) {
  Fixture fx(state);
  if (fx.failed) return;
  std::vector<PlainRecord*> records = PlainRead(fx.dir.File("data.csv"));
  SteppingClock clock;
  int item = 0;
  for (auto _ : state) {
    LocalDateTime now = clock();
    PlainTime t{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute};
    records.back()->end = t;
    records.push_back(new PlainRecord{sample::ItemNames()[static_cast<size_t>(item)], t, t});
    item = 1 - item;
    if (!PlainSave(records, fx.dir.path())) {
      state.SkipWithError("plain save failed");
      break;
    }
  }
  PlainFree(records);
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
}

BENCHMARK(Load)->Apply(Sizes);
BENCHMARK(PlainLoad)->Apply(Sizes);
BENCHMARK(Save)->Apply(Sizes);
BENCHMARK(Pick)->Apply(Sizes);
BENCHMARK(PlainPick)->Apply(Sizes);

}  // namespace records_bench
