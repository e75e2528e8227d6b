// What a crash can leave of a save: a file system that records each
// operation a save makes (RecordingFileSystem), and a replayer that builds
// every state of the disk that a process kill or a power cut at any point of
// that record can leave (ForEachCrashState).
//
// The model of the disk. Sources: Microsoft's pages on FlushFileBuffers
// ("writes all buffered information for a specified file to the device"),
// on MoveFileExW (MOVEFILE_WRITE_THROUGH: "the function does not return
// until the file is actually moved on the disk") and on NTFS's log (the
// transaction log makes each metadata change all or nothing and replays it
// in order after a failure; file data is not logged); ALICE (Pillai et al.,
// OSDI '14), CrashMonkey (Mohan et al., OSDI '18) and LazyFS (VLDB 2024),
// which enumerate such states the same way.
// - Process kill: the system's cache survives, so the disk is exactly what
//   a prefix of the operations made of it. Every prefix is a state.
// - Power cut on NTFS: metadata (a create, a write's new size, a rename, a
//   remove, a link) persists whole and in order, up to any point after the
//   last barrier: a flush (which forces the log), and a write-through
//   rename once it returned (a variant drops this: the rename is lazy). A
//   file's data written since its last flush persists in any subset of its
//   4 KiB blocks; the others read as they were flushed, or beyond that as
//   zeros (a variant: as garbage). A flushed file's data is durable.
// - FAT: as NTFS, but a rename that replaces a file may persist as its
//   parts: the target removed and the new name not yet there.
// Files are byte strings by name; a file's last-write time is the count of
// data operations up to its last one, which orders files as the disk's
// times would.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "base/files.h"

struct FileOp {
  enum Kind {
    kCreate, kWrite, kFlush, kClose, kReplace, kRemove, kLink,
    kMoveToNew,  // a rename onto a name that is missing; none where it is taken
    // Markers, not file operations: the in-memory content of `file` is
    // version `n` from here on; the save of version `n` told its caller it
    // succeeded.
    kVersion, kSaved,
  };
  FileOp(Kind k, Text p = Text(), Text t = Text(), int h = 0, uint64_t off = 0, std::string b = std::string())
      : kind(k), path(std::move(p)), to(std::move(t)), handle(h), offset(off), bytes(std::move(b)) {}

  Kind kind;
  Text path;    // create, remove; replace, move and link: the existing name
  Text to;      // replace, move, link: the new name
  int handle = 0;
  uint64_t offset = 0;
  std::string bytes;
  int file = 0;  // markers: which content (the test's own numbering)
  int n = 0;     // markers: which version
};
using FileLog = std::vector<FileOp>;

// Passes every call to `base` and logs each change it made, with its
// handle. A copy is logged as the create and write a copy is on the disk.
// Failed calls changed nothing and are not logged.
class RecordingFileSystem : public FileSystem {
 public:
  RecordingFileSystem(FileSystem& base, FileLog& log) : base_(base), log_(log) {}

  void Mark(FileOp::Kind kind, int file, int n) {
    FileOp op(kind);
    op.file = file;
    op.n = n;
    log_.push_back(op);
  }

  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    return base_.Read(path, limit, bytes);
  }
  bool Exists(const Text& path) override { return base_.Exists(path); }
  bool Examine(const Text& path, FileFacts& facts) override { return base_.Examine(path, facts); }
  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    const bool existed = base_.Exists(to);
    if (!base_.Copy(from, to, overwrite)) return false;
    std::string bytes;
    base_.Read(to, kMaxReadBytes, bytes);
    if (existed) Log(FileOp{FileOp::kRemove, to, Text()});
    const int h = ++handles_;
    Log(FileOp{FileOp::kCreate, to, Text(), h});
    Log(FileOp{FileOp::kWrite, Text(), Text(), h, 0, bytes});
    Log(FileOp{FileOp::kClose, Text(), Text(), h});
    return true;
  }
  bool HardLink(const Text& existing, const Text& link) override {
    if (!base_.HardLink(existing, link)) return false;
    Log(FileOp{FileOp::kLink, existing, link});
    return true;
  }
  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    std::unique_ptr<OutputFile> file = base_.CreateNew(path);
    if (!file) return nullptr;
    const int h = ++handles_;
    Log(FileOp{FileOp::kCreate, path, Text(), h});
    return std::make_unique<Output>(*this, std::move(file), h);
  }
  ReplaceResult Replace(const Text& from, const Text& to) override {
    const ReplaceResult result = base_.Replace(from, to);
    if (result == ReplaceResult::Done) Log(FileOp{FileOp::kReplace, from, to});
    return result;
  }
  bool MoveToNew(const Text& from, const Text& to) override {
    if (!base_.MoveToNew(from, to)) return false;
    Log(FileOp{FileOp::kMoveToNew, from, to});
    return true;
  }
  bool Remove(const Text& path) override {
    if (!base_.Remove(path)) return false;
    Log(FileOp{FileOp::kRemove, path, Text()});
    return true;
  }
  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    return base_.FilesStartingWith(pathPrefix);
  }
  bool Replaceable(const Text& path) override { return base_.Replaceable(path); }
  void Wait(unsigned milliseconds) override { base_.Wait(milliseconds); }

 private:
  class Output : public OutputFile {
   public:
    Output(RecordingFileSystem& fs, std::unique_ptr<OutputFile> file, int handle)
        : fs_(fs), file_(std::move(file)), handle_(handle) {}
    bool Write(const void* data, size_t size) override {
      if (!file_->Write(data, size)) return false;
      fs_.Log(FileOp{FileOp::kWrite, Text(), Text(), handle_, offset_,
                     std::string(static_cast<const char*>(data), size)});
      offset_ += size;
      return true;
    }
    bool Flush() override {
      if (!file_->Flush()) return false;
      fs_.Log(FileOp{FileOp::kFlush, Text(), Text(), handle_});
      return true;
    }
    // Asks the file underneath; nothing changes on the disk.
    bool Facts(FileFacts& facts) override { return file_->Facts(facts); }
    bool Close() override {
      const bool ok = file_->Close();
      fs_.Log(FileOp{FileOp::kClose, Text(), Text(), handle_});
      return ok;
    }

   private:
    RecordingFileSystem& fs_;
    std::unique_ptr<OutputFile> file_;
    int handle_;
    uint64_t offset_ = 0;
  };

  void Log(FileOp op) { log_.push_back(std::move(op)); }

  FileSystem& base_;
  FileLog& log_;
  int handles_ = 0;
};

struct CrashFile {
  std::string bytes;
  uint64_t lastWrite = 0;
  bool operator==(const CrashFile& o) const { return bytes == o.bytes && lastWrite == o.lastWrite; }
};
using CrashState = std::map<Text, CrashFile>;

struct CrashModel {
  const char* name;
  bool powerCut;      // false: a process kill, every prefix
  bool writeThrough;  // a rename is on the disk when it returns
  bool splitReplace;  // FAT: a replacing rename persists as its parts
  bool links;         // the volume has hard links
  bool garbage;       // unwritten blocks read as garbage too, not only as zeros
};

// Where a crash cut the log: `done` operations had returned, and the disk
// holds the metadata of the first `durable` (all of them after a kill).
struct CrashPoint {
  size_t done;
  size_t durable;
};

namespace crash_detail {

constexpr size_t kBlock = 4096;

struct Inode {
  std::string bytes;    // as the cache holds it
  std::string flushed;  // as the disk holds it for sure
  std::set<size_t> dirty;  // blocks written since the last flush
  uint64_t lastWrite = 0;
};

// The data side: every operation before `done`, as the cache sees them.
// Inodes are numbered by the initial files first, then by the log's creates.
struct DataSide {
  std::vector<Inode> inodes;
  std::map<int, size_t> handles;  // handle -> inode
};

inline bool IsBarrier(const FileOp& op, const CrashModel& model) {
  return op.kind == FileOp::kFlush ||
         ((op.kind == FileOp::kReplace || op.kind == FileOp::kMoveToNew) && model.writeThrough);
}

}  // namespace crash_detail

// Visits every state the model lets a crash leave of `initial` after any
// part of `log` (the same state may come more than once; the caller drops
// duplicates). Block subsets of the unflushed data are enumerated whole up
// to `allSubsetsUpTo` blocks in all, and beyond that by representatives:
// none, all, the first half, all but one.
inline void ForEachCrashState(const CrashState& initial, const FileLog& log, const CrashModel& model,
                              size_t allSubsetsUpTo,
                              const std::function<void(const CrashState&, CrashPoint)>& visit) {
  using namespace crash_detail;
  std::map<Text, size_t> initialNames;
  std::vector<Inode> initialInodes;
  uint64_t clock = 0;
  for (const auto& [name, file] : initial) {
    initialNames[name] = initialInodes.size();
    initialInodes.push_back(Inode{file.bytes, file.bytes, {}, file.lastWrite});
    clock = std::max(clock, file.lastWrite);
  }
  // Each create's inode, by its position in the log.
  std::map<size_t, size_t> createdInode;
  for (size_t i = 0, next = initialInodes.size(); i < log.size(); ++i) {
    if (log[i].kind == FileOp::kCreate) createdInode[i] = next++;
  }

  for (size_t done = 0; done <= log.size(); ++done) {
    // The cache after `done` operations.
    DataSide data{initialInodes, {}};
    uint64_t now = clock;
    size_t barrier = 0;
    for (size_t i = 0; i < done; ++i) {
      const FileOp& op = log[i];
      if (IsBarrier(op, model)) barrier = i + 1;
      switch (op.kind) {
        case FileOp::kCreate:
          data.inodes.resize(std::max(data.inodes.size(), createdInode[i] + 1));
          data.handles[op.handle] = createdInode[i];
          data.inodes[createdInode[i]].lastWrite = ++now;
          break;
        case FileOp::kWrite: {
          Inode& inode = data.inodes[data.handles[op.handle]];
          if (op.bytes.empty()) break;
          const size_t end = op.offset + op.bytes.size();
          if (inode.bytes.size() < end) inode.bytes.resize(end, '\0');
          inode.bytes.replace(op.offset, op.bytes.size(), op.bytes);
          for (size_t b = op.offset / kBlock; b <= (end - 1) / kBlock; ++b) inode.dirty.insert(b);
          inode.lastWrite = ++now;
          break;
        }
        case FileOp::kFlush: {
          Inode& inode = data.inodes[data.handles[op.handle]];
          inode.flushed = inode.bytes;
          inode.dirty.clear();
          break;
        }
        default:
          break;
      }
    }

    const size_t firstDurable = model.powerCut ? barrier : done;
    for (size_t durable = firstDurable; durable <= done; ++durable) {
      // FAT: the replace at `durable` may have persisted its first part
      // (the target removed) without its second, when it is the one in
      // progress or not yet forced to the disk.
      const bool canSplit = model.powerCut && model.splitReplace && durable < log.size() &&
                            log[durable].kind == FileOp::kReplace;
      for (int split = 0; split <= (canSplit ? 1 : 0); ++split) {
        // The metadata of the first `durable` operations (and half of the next).
        std::map<Text, size_t> meta = initialNames;
        std::map<size_t, size_t> size;
        for (const auto& [name, inode] : initialNames) size[inode] = initialInodes[inode].bytes.size();
        std::map<int, size_t> handles;
        for (size_t i = 0; i < durable; ++i) {
          const FileOp& op = log[i];
          switch (op.kind) {
            case FileOp::kCreate:
              handles[op.handle] = createdInode[i];
              meta[op.path] = createdInode[i];
              size[createdInode[i]] = 0;
              break;
            case FileOp::kWrite: {
              const size_t inode = handles[op.handle];
              size[inode] = std::max<size_t>(size[inode], op.offset + op.bytes.size());
              break;
            }
            case FileOp::kReplace:
              if (meta.count(op.path)) {
                const size_t inode = meta[op.path];
                meta.erase(op.path);
                meta[op.to] = inode;
              }
              break;
            case FileOp::kMoveToNew:
              // Never onto a file: one the disk names there stops it.
              if (meta.count(op.path) && !meta.count(op.to)) {
                const size_t inode = meta[op.path];
                meta.erase(op.path);
                meta[op.to] = inode;
              }
              break;
            case FileOp::kRemove:
              meta.erase(op.path);
              break;
            case FileOp::kLink:
              if (meta.count(op.path)) meta[op.to] = meta[op.path];
              break;
            default:
              break;
          }
        }
        if (split == 1) {
          if (!meta.count(log[durable].to) || !meta.count(log[durable].path)) continue;
          meta.erase(log[durable].to);
        }

        // The unflushed blocks of the files the disk names.
        std::vector<std::pair<size_t, size_t>> dirty;  // inode, block
        std::set<size_t> seen;
        for (const auto& [name, inode] : meta) {
          if (!model.powerCut || !seen.insert(inode).second) continue;
          for (size_t b : data.inodes[inode].dirty) {
            if (b * kBlock < size[inode]) dirty.push_back({inode, b});
          }
        }
        std::vector<std::vector<bool>> subsets;
        const size_t k = dirty.size();
        if (k <= allSubsetsUpTo) {
          for (uint64_t mask = 0; mask < (uint64_t{1} << k); ++mask) {
            std::vector<bool> kept(k);
            for (size_t j = 0; j < k; ++j) kept[j] = (mask >> j) & 1;
            subsets.push_back(kept);
          }
        } else {
          subsets.push_back(std::vector<bool>(k, false));
          subsets.push_back(std::vector<bool>(k, true));
          std::vector<bool> prefix(k, false), hole(k, true);
          for (size_t j = 0; j < k / 2; ++j) prefix[j] = true;
          hole[k / 2] = false;
          subsets.push_back(prefix);
          subsets.push_back(hole);
        }
        for (int garbage = 0; garbage <= (model.garbage && k > 0 ? 1 : 0); ++garbage) {
          for (const std::vector<bool>& kept : subsets) {
            if (garbage && std::find(kept.begin(), kept.end(), false) == kept.end()) continue;
            std::map<size_t, std::string> content;
            for (const auto& [name, inode] : meta) {
              if (content.count(inode)) continue;
              const Inode& in = data.inodes[inode];
              std::string bytes = in.bytes;
              bytes.resize(size[inode], '\0');
              for (size_t j = 0; j < k; ++j) {
                if (dirty[j].first != inode || kept[j]) continue;
                const size_t from = dirty[j].second * kBlock;
                const size_t to = std::min(bytes.size(), from + kBlock);
                for (size_t p = from; p < to; ++p) {
                  bytes[p] = p < in.flushed.size() ? in.flushed[p]
                             : garbage            ? static_cast<char>(0xA5 ^ (p * 131))
                                                  : '\0';
                }
              }
              content[inode] = std::move(bytes);
            }
            CrashState state;
            for (const auto& [name, inode] : meta) {
              state[name] = CrashFile{content[inode], data.inodes[inode].lastWrite};
            }
            visit(state, CrashPoint{done, durable});
          }
        }
      }
    }
  }
}
