// A file system in memory for the fuzz targets: fast, and nothing touches
// the disk. Files are byte strings by path; an output file appears under its
// path only when it is closed, as the seam's callers expect of a rename.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"

class MemoryFileSystem : public FileSystem {
 public:
  std::map<Text, std::string> files;
  std::set<Text> held;  // targets another program holds open: replaces onto them find them held
  bool holdsUnseen = false;  // Replaceable cannot see the holds (they began after it looked)
  unsigned waited = 0;  // milliseconds the code asked to wait, in all
  std::map<Text, uint64_t> writes;  // when each file was written, by a count of writes
  uint64_t clock = 0;
  // HardLink works, as on NTFS: the new name gets the file's bytes (no
  // caller writes a file in place once it is closed, so the two never part).
  bool hardLinks = false;

  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    bytes.clear();
    auto it = files.find(path);
    if (it == files.end()) return ReadResult::kCannotRead;
    if (it->second.size() > limit) return ReadResult::kTooLarge;
    bytes = it->second;
    return ReadResult::kRead;
  }
  bool Exists(const Text& path) override { return files.count(path) != 0; }
  // Each path is a file of its own. Its last-write time grows with each
  // write through the seam, and differs for content a test put in `files`.
  bool Examine(const Text& path, FileFacts& facts) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    facts.size = it->second.size();
    facts.lastWrite = (writes[path] << 32) ^ (std::hash<std::string>{}(it->second) & 0xffffffffu);
    facts.volume = 0;
    facts.index = std::hash<Text>{}(path);
    return true;
  }
  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    auto it = files.find(from);
    if (it == files.end() || (!overwrite && Exists(to))) return false;
    files[to] = it->second;
    writes[to] = ++clock;
    return true;
  }
  bool HardLink(const Text& existing, const Text& link) override {
    auto it = files.find(existing);
    if (!hardLinks || it == files.end() || Exists(link)) return false;
    files[link] = it->second;
    writes[link] = writes[existing];
    return true;
  }
  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    if (Exists(path)) return nullptr;
    files[path];
    return std::make_unique<Output>(*this, path);
  }
  ReplaceResult Replace(const Text& from, const Text& to) override {
    auto it = files.find(from);
    if (it == files.end()) return ReplaceResult::Failed;
    if (held.count(to)) return ReplaceResult::Held;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    writes[to] = writes[from];
    return ReplaceResult::Done;
  }
  bool MoveToNew(const Text& from, const Text& to) override {
    auto it = files.find(from);
    if (it == files.end() || files.count(to) != 0) return false;
    std::string bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    writes[to] = writes[from];
    return true;
  }
  bool Remove(const Text& path) override { return files.erase(path) != 0; }
  void Wait(unsigned milliseconds) override { waited += milliseconds; }
  bool Replaceable(const Text& path) override { return holdsUnseen || !held.count(path); }
  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    std::vector<Text> paths;
    for (auto it = files.lower_bound(pathPrefix); it != files.end() && it->first.compare(0, pathPrefix.size(), pathPrefix) == 0; ++it) {
      paths.push_back(it->first);
    }
    return paths;
  }

 private:
  class Output : public OutputFile {
   public:
    Output(MemoryFileSystem& fs, Text path) : fs_(fs), path_(std::move(path)) {}
    bool Write(const void* data, size_t size) override {
      bytes_.append(static_cast<const char*>(data), size);
      return true;
    }
    bool Flush() override { return true; }
    // The file's index here is its path's hash, which a rename changes: no
    // version can be told from the handle, so the program confirms by the
    // content.
    bool Facts(FileFacts&) override { return false; }
    bool Close() override {
      fs_.files[path_] = bytes_;
      fs_.writes[path_] = ++fs_.clock;
      return true;
    }

   private:
    MemoryFileSystem& fs_;
    Text path_;
    std::string bytes_;
  };
};
