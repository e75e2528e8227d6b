#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <vector>

#include "base/files.h"
#include "base/unique_handle.h"

namespace {

// FILE_RENAME_INFO as FileRenameInfoEx takes it (Windows 10 1809 and later):
// flags where older headers have a Boolean, at the same offset.
struct RenameInfoEx {
  DWORD flags;
  HANDLE rootDirectory;
  DWORD fileNameLength;  // bytes, without the terminating null
  WCHAR fileName[1];
};
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kRenameReplaceIfExists = 0x1;  // FILE_RENAME_FLAG_REPLACE_IF_EXISTS
constexpr DWORD kRenamePosixSemantics = 0x2;   // FILE_RENAME_FLAG_POSIX_SEMANTICS

using SetFileInformationByHandleFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID,
                                                   DWORD);

// Looked up once: the program names no function that an older Windows
// lacks in its imports.
SetFileInformationByHandleFn SetFileInformationFn() {
  static const auto fn = reinterpret_cast<SetFileInformationByHandleFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetFileInformationByHandle")));
  return fn;
}

// The directory part of a path, with its separator.
Text DirectoryOf(const Text& path) {
  const size_t slash = path.find_last_of(u"\\/");
  return slash == Text::npos ? Text() : path.substr(0, slash + 1);
}

// The errors with which a Windows, a file system or a share that does not
// know FileRenameInfoEx refuses it.
bool RenameInfoExUnknown(DWORD error) {
  return error == ERROR_INVALID_PARAMETER || error == ERROR_NOT_SUPPORTED ||
         error == ERROR_INVALID_FUNCTION || error == ERROR_CALL_NOT_IMPLEMENTED;
}

// CreateFileW fails with INVALID_HANDLE_VALUE, not null.
struct FileHandleTraits : PlainHandle<HANDLE> {
  static HANDLE Empty() { return INVALID_HANDLE_VALUE; }
  static void Close(HANDLE h) { ::CloseHandle(h); }
};
using OwnedFile = UniqueHandle<FileHandleTraits>;

FileFacts FactsOf(const BY_HANDLE_FILE_INFORMATION& info) {
  FileFacts facts;
  facts.size = (uint64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow;
  facts.lastWrite = (uint64_t{info.ftLastWriteTime.dwHighDateTime} << 32) |
                    info.ftLastWriteTime.dwLowDateTime;
  facts.readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  facts.volume = info.dwVolumeSerialNumber;
  facts.index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
  return facts;
}

// WriteFile and ReadFile take at most a DWORD at a time.
constexpr DWORD kChunk = 1u << 30;

class Win32OutputFile : public OutputFile {
 public:
  explicit Win32OutputFile(HANDLE h) : file_(h) {}
  bool Write(const void* data, size_t size) override {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
      const DWORD want = size > kChunk ? kChunk : static_cast<DWORD>(size);
      DWORD done = 0;
      if (!file_ || !WriteFile(file_.Get(), p, want, &done, nullptr) || done == 0) {
        return false;
      }
      p += done;
      size -= done;
    }
    return true;
  }
  bool Flush() override { return file_ && FlushFileBuffers(file_.Get()) != 0; }
  // NTFS and FAT stamp the last-write time of a handle that wrote when it
  // is closed, unless a time was set through it; so the time read is set
  // again, and read back as the file system keeps it (FAT rounds it).
  bool Facts(FileFacts& facts) override {
    BY_HANDLE_FILE_INFORMATION info;
    if (!file_ || !GetFileInformationByHandle(file_.Get(), &info)) return false;
    const FILETIME written = info.ftLastWriteTime;
    if (!SetFileTime(file_.Get(), nullptr, nullptr, &written) ||
        !GetFileInformationByHandle(file_.Get(), &info)) {
      return false;
    }
    facts = FactsOf(info);
    return true;
  }
  // Late write errors show in CloseHandle's result.
  bool Close() override { return !file_ || ::CloseHandle(file_.Release()) != 0; }

 private:
  OwnedFile file_;
};

class Win32FileSystem : public FileSystem {
 public:
  ReadResult Read(const Text& path, uint64_t limit, std::string& bytes) override {
    bytes.clear();
    // Reading asks for no exclusivity, so only a file that another program
    // holds with share mode 0 (a lock) fails here.
    OwnedFile file(CreateFileW(WStr(path), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN,
                            nullptr));
    LARGE_INTEGER size;
    if (!file || !GetFileSizeEx(file.Get(), &size) || size.QuadPart < 0) {
      return ReadResult::kCannotRead;
    }
    if (static_cast<uint64_t>(size.QuadPart) > limit) return ReadResult::kTooLarge;
    if (static_cast<uint64_t>(size.QuadPart) > bytes.max_size()) return ReadResult::kCannotRead;
    bytes.reserve(static_cast<size_t>(size.QuadPart));
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      // One byte past the limit is enough to know the file grew beyond it.
      const uint64_t room = limit - bytes.size();
      const DWORD want = room < buffer.size() ? static_cast<DWORD>(room + 1)
                                              : static_cast<DWORD>(buffer.size());
      DWORD done = 0;
      if (!ReadFile(file.Get(), buffer.data(), want, &done, nullptr)) {
        bytes.clear();
        return ReadResult::kCannotRead;
      }
      if (done == 0) return ReadResult::kRead;
      bytes.append(buffer.data(), done);
      if (bytes.size() > limit) {
        bytes.clear();
        return ReadResult::kTooLarge;
      }
    }
  }

  bool Exists(const Text& path) override {
    return GetFileAttributesW(WStr(path)) != INVALID_FILE_ATTRIBUTES;
  }

  bool Examine(const Text& path, FileFacts& facts) override {
    // Asking for attributes only passes another program's share mode 0, and
    // backup semantics let a directory be looked at too.
    OwnedFile file(CreateFileW(WStr(path), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.Get(), &info)) return false;
    facts = FactsOf(info);
    return true;
  }

  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    return CopyFileW(WStr(from), WStr(to), overwrite ? FALSE : TRUE) != 0;
  }

  bool HardLink(const Text& existing, const Text& link) override {
    return CreateHardLinkW(WStr(link), WStr(existing), nullptr) != 0;
  }

  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    HANDLE h = CreateFileW(WStr(path), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    return std::make_unique<Win32OutputFile>(h);
  }

  // Where Windows allows it (Windows 10 1809 and later, NTFS), the file is
  // renamed with POSIX semantics: the target is replaced even while other
  // programs have it open, as long as they share delete access (scanners,
  // indexers and sync clients do); they keep reading the old file. The
  // rename of older Windows, FAT and network shares (MoveFileExW) fails on
  // any open handle of the target, with ERROR_ACCESS_DENIED (Wine 8 knows
  // no FileRenameInfoEx, and its MoveFileExW fails so too). ReplaceFileW
  // also passes such holders, but it is not one step: a failure half way
  // can leave the target under another name, and it needs the target to
  // exist.
  ReplaceResult Replace(const Text& from, const Text& to) override {
    // The user marked the file so: Windows refuses to replace it (with
    // ERROR_ACCESS_DENIED, as for a hold), Wine would replace it. No wait
    // helps either way.
    const DWORD attributes = GetFileAttributesW(WStr(to));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
      return ReplaceResult::Failed;
    }
    DWORD error = ERROR_SUCCESS;
    const Text directory = DirectoryOf(to);
    auto known = posixRename_.find(directory);
    if ((known == posixRename_.end() || known->second) && DirectoryOf(from) == directory) {
      switch (RenamePosix(from, to, error)) {
        case Rename::kDone:
          posixRename_[directory] = true;
          return ReplaceResult::Done;
        case Rename::kUnknown:
          posixRename_[directory] = false;
          break;
        case Rename::kFailed:
          return Classify(error, to);
        case Rename::kNotTried:
          break;
      }
    }
    if (MoveFileExW(WStr(from), WStr(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return ReplaceResult::Done;
    }
    return Classify(GetLastError(), to);
  }

  bool Remove(const Text& path) override { return DeleteFileW(WStr(path)) != 0; }

  std::vector<Text> FilesStartingWith(const Text& pathPrefix) override {
    std::vector<Text> paths;
    const size_t slash = pathPrefix.find_last_of(u"\\/");
    const Text dir = slash == Text::npos ? Text() : pathPrefix.substr(0, slash + 1);
    const Text name = pathPrefix.substr(dir.size());
    WIN32_FIND_DATAW found;
    // FindExInfoBasic: long names only; a pattern can still match a short
    // name, so each long name is checked again.
    HANDLE search = FindFirstFileExW(WStr(pathPrefix + u"*"), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE) return paths;
    do {
      const Text entry = FromWStr(found.cFileName);
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && entry.compare(0, name.size(), name) == 0) {
        paths.push_back(dir + entry);
      }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return paths;
  }

  // Predicts the replace: the POSIX rename passes holders that share
  // delete access, the older rename passes no holder at all (an open that
  // shares nothing fails while any other handle reads, writes or deletes).
  // Until a replace in the directory has shown which one runs, the POSIX
  // one is assumed (a quiet retry then tries it, and learns).
  bool Replaceable(const Text& path) override {
    const DWORD attributes = GetFileAttributesW(WStr(path));
    if (attributes == INVALID_FILE_ATTRIBUTES) return true;
    if (attributes & FILE_ATTRIBUTE_READONLY) return false;
    auto known = posixRename_.find(DirectoryOf(path));
    if (known == posixRename_.end() || known->second) {
      return static_cast<bool>(OpenForDeletion(path));
    }
    return static_cast<bool>(OwnedFile(CreateFileW(WStr(path), DELETE, 0, nullptr, OPEN_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr)));
  }

  static OwnedFile OpenForDeletion(const Text& path) {
    return OwnedFile(CreateFileW(WStr(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  }

  // MoveFileExW answers ERROR_ACCESS_DENIED both for a file another program
  // holds without sharing delete access and for one this user may not
  // replace. Opening it for deletion tells them apart: a hold answers
  // ERROR_SHARING_VIOLATION.
  static bool DeniedToUser(const Text& path) {
    return !OpenForDeletion(path) && GetLastError() == ERROR_ACCESS_DENIED;
  }

  static ReplaceResult Classify(DWORD error, const Text& to) {
    switch (error) {
      case ERROR_ACCESS_DENIED:  // also a file opened without FILE_SHARE_DELETE
        return DeniedToUser(to) ? ReplaceResult::Failed : ReplaceResult::Held;
      case ERROR_SHARING_VIOLATION:
      case ERROR_LOCK_VIOLATION:
        return ReplaceResult::Held;
      default:
        return ReplaceResult::Failed;
    }
  }

  enum class Rename { kDone, kFailed, kUnknown, kNotTried };

  // SetFileInformationByHandle(FileRenameInfoEx) with POSIX semantics on
  // the source, opened for deletion; the name is the target's full path.
  // The rename is flushed as MOVEFILE_WRITE_THROUGH would.
  static Rename RenamePosix(const Text& from, const Text& to, DWORD& error) {
    SetFileInformationByHandleFn setInformation = SetFileInformationFn();
    if (!setInformation) return Rename::kUnknown;
    const DWORD needed = GetFullPathNameW(WStr(to), 0, nullptr, nullptr);
    if (needed == 0) return Rename::kNotTried;
    std::vector<wchar_t> target(needed);
    const DWORD length = GetFullPathNameW(WStr(to), needed, target.data(), nullptr);
    if (length == 0 || length >= needed) return Rename::kNotTried;
    // Write access is only for the flush: the backup's second name of a
    // data.csv that a reader holds without sharing writes is renamed unflushed.
    auto open = [&from](DWORD access) {
      return OwnedFile(CreateFileW(WStr(from), access,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    };
    OwnedFile source = open(DELETE | GENERIC_WRITE);
    const bool flush = static_cast<bool>(source);
    if (!source) source = open(DELETE);
    if (!source) return Rename::kNotTried;  // the older rename tells why
    const size_t bytes = length * sizeof(wchar_t);
    std::vector<unsigned char> buffer(offsetof(RenameInfoEx, fileName) + bytes + sizeof(wchar_t));
    RenameInfoEx info{};
    info.flags = kRenameReplaceIfExists | kRenamePosixSemantics;
    info.fileNameLength = static_cast<DWORD>(bytes);
    std::memcpy(buffer.data(), &info, offsetof(RenameInfoEx, fileName));
    std::memcpy(buffer.data() + offsetof(RenameInfoEx, fileName), target.data(),
                bytes + sizeof(wchar_t));
    if (!setInformation(source.Get(), kFileRenameInfoEx, buffer.data(),
                        static_cast<DWORD>(buffer.size()))) {
      error = GetLastError();
      return RenameInfoExUnknown(error) ? Rename::kUnknown : Rename::kFailed;
    }
    if (flush) FlushFileBuffers(source.Get());
    return Rename::kDone;
  }

  // Per directory: whether the POSIX rename works there (learnt from the
  // first replace; a directory of a share may differ from a local one).
  std::map<Text, bool> posixRename_;
};

}  // namespace

void FileSystem::Wait(unsigned milliseconds) { ::Sleep(milliseconds); }

FileSystem& RealFileSystem() {
  static Win32FileSystem fs;
  return fs;
}

Text CurrentDirectory() {
  // The directory can change between asking for the size and reading it.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    if (needed == 0) return Text();
    std::vector<wchar_t> buffer(needed);
    const DWORD length = GetCurrentDirectoryW(needed, buffer.data());
    if (length > 0 && length < needed) return FromWStr(buffer.data());
  }
  return Text();
}
