#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>  // renameat2
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/files.h"
#include "base/unique_handle.h"

namespace {

// Paths are UTF-16 in the program and UTF-8 on disk.
std::string Native(const Text& path) { return TextToUtf8(path); }

struct DescriptorTraits : PlainHandle<int> {
  static int Empty() { return -1; }
  static void Close(int fd) { close(fd); }
};
using Descriptor = UniqueHandle<DescriptorTraits>;

// Closes now and reports what close says (late write errors show here).
bool CloseReporting(Descriptor& fd) { return !fd || close(fd.Release()) == 0; }

bool WriteAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Reads to the end of the file, appending to out.
// Reads no more than limit + 1 bytes: one past the limit is enough to know
// the file grew beyond it.
ReadResult ReadToEnd(int fd, uint64_t limit, std::string& out) {
  char buffer[64 * 1024];
  for (;;) {
    const uint64_t room = limit - out.size();
    const ssize_t n = read(fd, buffer, room < sizeof buffer ? static_cast<size_t>(room + 1) : sizeof buffer);
    if (n == 0) return ReadResult::kRead;
    if (n < 0) {
      if (errno == EINTR) continue;
      return ReadResult::kCannotRead;
    }
    out.append(buffer, static_cast<size_t>(n));
    if (out.size() > limit) return ReadResult::kTooLarge;
  }
}

FileFacts FactsOf(const struct stat& st) {
  FileFacts facts;
  facts.size = static_cast<uint64_t>(st.st_size);
  facts.lastWrite = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                    static_cast<uint64_t>(st.st_mtim.tv_nsec);
  facts.readOnly = (st.st_mode & 0222) == 0;
  facts.volume = static_cast<uint64_t>(st.st_dev);
  facts.index = static_cast<uint64_t>(st.st_ino);
  return facts;
}

// A rename is only durable once the directory that holds the names is on
// disk too.
void SyncDirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  Descriptor fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd) fsync(fd.Get());
}

class PosixOutputFile : public OutputFile {
 public:
  explicit PosixOutputFile(int fd) : fd_(fd) {}
  bool Write(const void* data, size_t size) override {
    return fd_ && WriteAll(fd_.Get(), static_cast<const char*>(data), size);
  }
  bool Flush() override { return fd_ && fsync(fd_.Get()) == 0; }
  bool Facts(FileFacts& facts) override {
    struct stat st;
    if (!fd_ || fstat(fd_.Get(), &st) != 0) return false;
    facts = FactsOf(st);
    return true;
  }
  bool Close() override { return CloseReporting(fd_); }

 private:
  Descriptor fd_;
};

class PosixFileSystem : public FileSystem {
 public:
  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    bytes.clear();
    Descriptor fd(open(Native(path).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!fd || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return ReadResult::kCannotRead;
    if (static_cast<uint64_t>(st.st_size) > limit) return ReadResult::kTooLarge;
    if (static_cast<uint64_t>(st.st_size) > bytes.max_size()) return ReadResult::kCannotRead;
    bytes.reserve(static_cast<size_t>(st.st_size));
    const ReadResult result = ReadToEnd(fd.Get(), limit, bytes);
    if (result != ReadResult::kRead) bytes.clear();
    return result;
  }

  bool Exists(const Text& path) override {
    struct stat st;
    return stat(Native(path).c_str(), &st) == 0;
  }

  bool Examine(const Text& path, FileFacts& facts) override {
    struct stat st;
    if (stat(Native(path).c_str(), &st) != 0) return false;
    facts = FactsOf(st);
    return true;
  }

  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    Descriptor source(open(Native(from).c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    if (!source || fstat(source.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const std::string target = Native(to);
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (overwrite ? 0 : O_EXCL);
    Descriptor dest(open(target.c_str(), flags, st.st_mode & 0777));
    if (!dest) return false;
    // Copying a file onto itself would truncate it before reading it.
    struct stat dst;
    if (fstat(dest.Get(), &dst) != 0 || (dst.st_dev == st.st_dev && dst.st_ino == st.st_ino)) {
      return false;
    }
    bool ok = !overwrite || ftruncate(dest.Get(), 0) == 0;
    char buffer[64 * 1024];
    while (ok) {
      const ssize_t n = read(source.Get(), buffer, sizeof buffer);
      if (n == 0) break;
      if (n < 0) {
        ok = errno == EINTR;
        continue;
      }
      ok = WriteAll(dest.Get(), buffer, static_cast<size_t>(n));
    }
    ok = CloseReporting(dest) && ok;
    // A new file left half written would pass for a complete copy.
    if (!ok && !overwrite) unlink(target.c_str());
    return ok;
  }

  bool HardLink(const Text& existing, const Text& link) override {
    return ::link(Native(existing).c_str(), Native(link).c_str()) == 0;
  }

  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    const int fd = open(Native(path).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixOutputFile>(fd);
  }

  // Nothing holds a file here the way Win32 sharing modes do.
  ReplaceResult Replace(const Text& from, const Text& to) override {
    const std::string target = Native(to);
    if (rename(Native(from).c_str(), target.c_str()) != 0) return ReplaceResult::Failed;
    SyncDirectoryOf(target);
    return ReplaceResult::Done;
  }

  bool MoveToNew(const Text& from, const Text& to) override {
    const std::string source = Native(from);
    const std::string target = Native(to);
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0) {
      // A file system without the flag: a second name, which linkat never
      // puts over another file (and, without AT_SYMLINK_FOLLOW, gives a
      // link itself), then the first name removed.
      if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) return false;
      if (linkat(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), 0) != 0) return false;
      if (unlink(source.c_str()) != 0) {
        unlink(target.c_str());
        return false;
      }
    }
    SyncDirectoryOf(target);
    return true;
  }

  bool Remove(const Text& path) override { return unlink(Native(path).c_str()) == 0; }

  bool Replaceable(const Text&) override { return true; }

  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    std::vector<Text> paths;
    const std::string prefix = Native(pathPrefix);
    const size_t slash = prefix.rfind('/');
    const std::string dir = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
    const std::string name = prefix.substr(dir.size());
    DIR* listing = opendir(dir.empty() ? "." : dir.c_str());
    if (!listing) return paths;
    while (const dirent* entry = readdir(listing)) {
      if (std::string(entry->d_name).compare(0, name.size(), name) == 0) {
        paths.push_back(TextFromUtf8((dir + entry->d_name).c_str()));
      }
    }
    closedir(listing);
    return paths;
  }
};

}  // namespace

void FileSystem::Wait(unsigned milliseconds) {
  struct timespec rest = {static_cast<time_t>(milliseconds / 1000),
                          static_cast<long>(milliseconds % 1000) * 1000000L};
  while (nanosleep(&rest, &rest) != 0 && errno == EINTR) {
  }
}

FileSystem& RealFileSystem() {
  static PosixFileSystem fs;
  return fs;
}

Text CurrentDirectory() {
  std::vector<char> buffer(256);
  for (;;) {
    if (getcwd(buffer.data(), buffer.size()) != nullptr) return TextFromUtf8(buffer.data());
    if (errno != ERANGE || buffer.size() > (1u << 20)) return Text();
    buffer.resize(buffer.size() * 2);
  }
}
