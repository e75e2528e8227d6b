// A FileSystem that passes every call to the real one but fails the steps a
// test chooses. Tests run as root, where read-only files and directories do
// not fail by themselves, so every file fault is injected here.
//
//   FaultyFileSystem fs;                       // over RealFileSystem()
//   fs.Fail(FileStep::Flush);                  // every flush fails
//   fs.Fail(FileStep::Replace, u"data.csv");   // only replaces touching data.csv
//   fs.Fail(FileStep::Write, u"", 1);          // only the next write
//   fs.DiskFullAfter(100);                     // 100 more bytes fit, then writes fail
//   fs.Lock(path);                             // held open by another program
//   fs.HoldForReplaces(u"data.csv", 2);        // held for a moment: two replaces find it held
//   fs.RepeatIndexes();                        // as on ReFS: only Identify tells files apart
//   fs.Heal();                                 // the faults are gone
// Waits for held files are added up in Waited(), not slept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"

enum class FileStep { Read, Copy, HardLink, Create, Write, Flush, Close, Replace, Remove, Examine, Move };

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileSystem& real = RealFileSystem()) : real_(real) {}

  // Fails `step` for calls with a path containing pathPart (every call when
  // it is empty): the next `times` such calls, or all of them when times < 0.
  // A failing Write, Flush or Close matches the path its file was created at.
  void Fail(FileStep step, const Text& pathPart = Text(), int times = -1) {
    faults_.push_back(Fault{step, pathPart, times});
  }

  // The disk has room for `bytes` more bytes: a write that does not fit
  // writes what fits and fails, as a full disk does.
  void DiskFullAfter(size_t bytes) {
    diskFull_ = true;
    room_ = bytes;
  }

  // Another program holds the file open without sharing: it cannot be read,
  // copied, linked, replaced, removed or written; it still exists.
  void Lock(const Text& path) { locked_.push_back(path); }

  // A program that holds the file for a moment: replaces touching pathPart
  // fail as held, the next `times` of them, or all when times < 0.
  void HoldForReplaces(const Text& pathPart, int times) {
    holds_.push_back(Fault{FileStep::Replace, pathPart, times});
  }

  // ReFS gives files 128-bit ids, and the 64-bit index that
  // GetFileInformationByHandle answers is not guaranteed unique there
  // (learn.microsoft.com, BY_HANDLE_FILE_INFORMATION): Examine then gives
  // every file one index, and only Identify tells them apart.
  void RepeatIndexes() { repeatIndexes_ = true; }

  void Heal() {
    faults_.clear();
    holds_.clear();
    locked_.clear();
    diskFull_ = false;
  }

  // Every path CreateNew was asked for, in order (to find temporary files).
  const std::vector<Text>& CreatedPaths() const { return created_; }
  // How many calls of the step reached this file system (failed ones too).
  int Calls(FileStep step) const { return calls_[static_cast<size_t>(step)]; }
  // Milliseconds the code under test asked to wait, in all.
  unsigned Waited() const { return waited_; }

  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    bytes.clear();
    // A pretended size counts as the file's own: refused unread, so no read
    // is counted.
    FileFacts facts;
    if (!pretended_.empty() && Examine(path, facts) && facts.size > limit) return ReadResult::kTooLarge;
    if (Trips(FileStep::Read, path) || IsLocked(path)) return ReadResult::kCannotRead;
    return real_.Read(path, limit, bytes);
  }

  bool Exists(const Text& path) override { return real_.Exists(path); }

  // The file at `path` claims to be `size` bytes long (no test writes a huge
  // file); a file with another name for it (a hard link) claims so too.
  void PretendSize(const Text& path, uint64_t size) { pretended_.push_back({path, size}); }

  bool Examine(const Text& path, FileFacts& facts) override {
    if (Trips(FileStep::Examine, path) || !real_.Examine(path, facts)) return false;
    for (const auto& p : pretended_) {
      FileFacts other;
      if (real_.Examine(p.first, other) && other.volume == facts.volume &&
          other.index == facts.index) {
        facts.size = p.second;
      }
    }
    if (repeatIndexes_) facts.index = 1;
    return true;
  }

  bool Identify(const Text& path, FileIdentity& identity) override {
    if (Trips(FileStep::Examine, path)) return false;
    return real_.Identify(path, identity);
  }

  Text ResolvePath(const Text& path) override { return real_.ResolvePath(path); }

  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    if (Trips(FileStep::Copy, from, to) || IsLocked(from) || IsLocked(to)) return false;
    if (diskFull_) {
      // A copy on a full disk leaves the bytes that fitted behind.
      std::string bytes;
      if (ReadWholeFile(real_, from, bytes) != ReadResult::kRead) return false;
      if (!overwrite && real_.Exists(to)) return false;
      size_t fits = bytes.size() < room_ ? bytes.size() : room_;
      room_ -= fits;
      auto out = real_.CreateNew(to);
      if (!out && overwrite && real_.Remove(to)) out = real_.CreateNew(to);
      if (out) {
        out->Write(bytes.data(), fits);
        out->Close();
      }
      return fits == bytes.size() && out != nullptr;
    }
    return real_.Copy(from, to, overwrite);
  }

  bool HardLink(const Text& existing, const Text& link) override {
    if (Trips(FileStep::HardLink, existing, link) || IsLocked(existing)) return false;
    return real_.HardLink(existing, link);
  }

  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    created_.push_back(path);
    if (Trips(FileStep::Create, path) || IsLocked(path)) return nullptr;
    std::unique_ptr<OutputFile> file = real_.CreateNew(path);
    if (!file) return nullptr;
    return std::make_unique<FaultyOutput>(*this, std::move(file), path);
  }

  ReplaceResult Replace(const Text& from, const Text& to) override {
    if (Trips(FileStep::Replace, from, to)) return ReplaceResult::Failed;
    if (IsLocked(from) || IsLocked(to) || Matches(holds_, FileStep::Replace, from, to)) {
      return ReplaceResult::Held;
    }
    return real_.Replace(from, to);
  }

  bool MoveToNew(const Text& from, const Text& to) override {
    if (Trips(FileStep::Move, from, to) || IsLocked(from)) return false;
    return real_.MoveToNew(from, to);
  }

  void Wait(unsigned milliseconds) override { waited_ += milliseconds; }

  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    return real_.FilesStartingWith(pathPrefix);
  }

  // A locked file or one whose replaces are held says so when asked.
  bool Replaceable(const Text& path) override {
    for (const Fault& h : holds_) {
      if (h.times != 0 && path.find(h.pathPart) != Text::npos) return false;
    }
    return !IsLocked(path) && real_.Replaceable(path);
  }

  bool Remove(const Text& path) override {
    if (Trips(FileStep::Remove, path) || IsLocked(path)) return false;
    return real_.Remove(path);
  }

 private:
  struct Fault {
    FileStep step;
    Text pathPart;
    int times;
  };

  class FaultyOutput : public OutputFile {
   public:
    FaultyOutput(FaultyFileSystem& fs, std::unique_ptr<OutputFile> file, Text path)
        : fs_(fs), file_(std::move(file)), path_(std::move(path)) {}
    bool Write(const void* data, size_t size) override {
      if (fs_.Trips(FileStep::Write, path_)) return false;
      if (fs_.diskFull_ && size > fs_.room_) {
        size_t fits = fs_.room_;
        fs_.room_ = 0;
        file_->Write(data, fits);
        return false;
      }
      if (fs_.diskFull_) fs_.room_ -= size;
      return file_->Write(data, size);
    }
    bool Flush() override {
      if (fs_.Trips(FileStep::Flush, path_)) return false;
      return file_->Flush();
    }
    bool Facts(FileFacts& facts) override { return file_->Facts(facts); }
    bool Close() override {
      // The real file is closed either way: a failed close still releases
      // the handle.
      bool ok = file_->Close();
      if (fs_.Trips(FileStep::Close, path_)) return false;
      return ok;
    }

   private:
    FaultyFileSystem& fs_;
    std::unique_ptr<OutputFile> file_;
    Text path_;
  };

  bool Trips(FileStep step, const Text& path, const Text& other = Text()) {
    ++calls_[static_cast<size_t>(step)];
    return Matches(faults_, step, path, other);
  }

  static bool Matches(std::vector<Fault>& faults, FileStep step, const Text& path,
                      const Text& other) {
    for (Fault& f : faults) {
      if (f.step != step || f.times == 0) continue;
      bool matches = f.pathPart.empty() || path.find(f.pathPart) != Text::npos ||
                     (!other.empty() && other.find(f.pathPart) != Text::npos);
      if (!matches) continue;
      if (f.times > 0) --f.times;
      return true;
    }
    return false;
  }

  bool IsLocked(const Text& path) const {
    for (const Text& l : locked_) {
      if (l == path) return true;
    }
    return false;
  }

  FileSystem& real_;
  std::vector<Fault> faults_;
  std::vector<Fault> holds_;
  std::vector<Text> locked_;
  std::vector<std::pair<Text, uint64_t>> pretended_;
  std::vector<Text> created_;
  bool diskFull_ = false;
  bool repeatIndexes_ = false;
  size_t room_ = 0;
  unsigned waited_ = 0;
  int calls_[static_cast<size_t>(FileStep::Move) + 1] = {};
};
