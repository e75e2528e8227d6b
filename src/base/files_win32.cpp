#include <windows.h>

#include <cstddef>
#include <cstring>
#include <map>
#include <vector>

#include "base/files.h"
#include "base/files_win32.h"
#include "base/rename_refusal.h"
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

static_assert(kWin32SharingViolation == ERROR_SHARING_VIOLATION, "winerror.h");
static_assert(kWin32LockViolation == ERROR_LOCK_VIOLATION, "winerror.h");

// FILE_ID_INFO (Windows 8 and later), which older headers lack.
struct FileIdInfo {
  ULONGLONG volumeSerialNumber;
  BYTE fileId[16];
};
constexpr auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);

using GetFileInformationByHandleExFn = BOOL(WINAPI*)(HANDLE, FILE_INFO_BY_HANDLE_CLASS, LPVOID,
                                                     DWORD);

GetFileInformationByHandleExFn GetFileInformationExFn() {
  static const auto fn = reinterpret_cast<GetFileInformationByHandleExFn>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "GetFileInformationByHandleEx")));
  return fn;
}

// The path from GetFullPathNameW or GetLongPathNameW, which both take a
// buffer and answer the length they need; empty when they fail.
template <typename Call>
Text PathFrom(Call call) {
  DWORD needed = call(nullptr, 0);
  // The answer can grow between the two calls (a folder renamed meanwhile).
  for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
    std::vector<wchar_t> buffer(needed);
    const DWORD length = call(buffer.data(), needed);
    if (length > 0 && length < needed) return FromWStr(buffer.data());
    needed = length;
  }
  return Text();
}

Text FullPathName(const Text& path) {
  return PathFrom([&path](wchar_t* buffer, DWORD size) {
    return GetFullPathNameW(WStr(path), size, buffer, nullptr);
  });
}

// Fails where the path does not exist.
Text LongPathName(const Text& path) {
  return PathFrom([&path](wchar_t* buffer, DWORD size) {
    return GetLongPathNameW(WStr(path), buffer, size);
  });
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
  explicit Win32FileSystem(RenameCalls& calls) : calls_(calls) {}

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

  bool Identify(const Text& path, FileIdentity& identity) override {
    OwnedFile file(CreateFileW(WStr(path), FILE_READ_ATTRIBUTES,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;
    // Before Windows 8, and on volumes that have no such id, this fails.
    FileIdInfo id;
    GetFileInformationByHandleExFn getInformation = GetFileInformationExFn();
    if (getInformation && getInformation(file.Get(), kFileIdInfo, &id, sizeof id)) {
      identity.volume = id.volumeSerialNumber;
      std::memcpy(&identity.low, id.fileId, 8);
      std::memcpy(&identity.high, id.fileId + 8, 8);
      return true;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file.Get(), &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.high = 0;
    identity.low = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return true;
  }

  Text ResolvePath(const Text& path) override {
    Text full = FullPathName(path);
    if (full.empty()) return path;
    Text resolved = LongPathName(full);
    if (!resolved.empty()) return resolved;
    // A file yet to be written: its folder's names are made long.
    const size_t slash = full.find_last_of(u"\\/");
    if (slash == Text::npos) return full;
    const Text folder = LongPathName(full.substr(0, slash + 1));
    return folder.empty() ? full : JoinPath(folder, full.substr(slash + 1));
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
    bool refused = false;
    if ((known == posixRename_.end() || known->second) && DirectoryOf(from) == directory) {
      switch (RenamePosix(from, to, error)) {
        case Rename::kDone:
          posixRename_[directory] = true;
          return ReplaceResult::Done;
        case Rename::kRefused:
          if (AfterPosixRenameRefused(error) == AfterRefusal::kWait) return ReplaceResult::Held;
          refused = true;
          break;
        case Rename::kNotTried:
          break;
      }
    }
    ReplaceResult result = ReplaceResult::Done;
    if (!calls_.Move(WStr(from), WStr(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      result = Classify(GetLastError(), to);
    }
    // The older rename replaced the target, or found it held by a program
    // that shares delete access (which the POSIX rename passes), where the
    // POSIX one did not: the folder refuses that one, and from now on the
    // older one alone is tried (and predicted by Replaceable, so that a
    // quiet retry does not rewrite the whole file while such a program
    // holds it). NTFS answers a holder that does not share delete access
    // with ERROR_ACCESS_DENIED too; that, and a failure of both, tell
    // nothing of the folder.
    if (refused && (result == ReplaceResult::Done ||
                    (result == ReplaceResult::Held && OpenForDeletion(to)))) {
      posixRename_[directory] = false;
    }
    return result;
  }

  // The older rename, which never replaces; it moves a link as itself.
  bool MoveToNew(const Text& from, const Text& to) override {
    return calls_.Move(WStr(from), WStr(to), MOVEFILE_WRITE_THROUGH) != 0;
  }

  // DeleteFileW removes a link, not its target.
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
                                                   kOpenAsItself, nullptr)));
  }

  // A rename or a delete acts on a link itself, so that is what is opened
  // for one: never the file it points to.
  static constexpr DWORD kOpenAsItself = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;

  static OwnedFile OpenForDeletion(const Text& path) {
    return OwnedFile(CreateFileW(WStr(path), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, kOpenAsItself, nullptr));
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

  enum class Rename { kDone, kRefused, kNotTried };

  // SetFileInformationByHandle(FileRenameInfoEx) with POSIX semantics on
  // the source, opened for deletion; the name is the target's full path.
  // The rename is flushed as MOVEFILE_WRITE_THROUGH would.
  Rename RenamePosix(const Text& from, const Text& to, DWORD& error) {
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
                                   OPEN_EXISTING, kOpenAsItself, nullptr));
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
    if (!calls_.SetInformation(source.Get(), kFileRenameInfoEx, buffer.data(),
                               static_cast<DWORD>(buffer.size()))) {
      error = GetLastError();
      return Rename::kRefused;
    }
    if (flush) FlushFileBuffers(source.Get());
    return Rename::kDone;
  }

  // Per directory: whether the POSIX rename works there (learnt from the
  // first replace; a directory of a share may differ from a local one).
  std::map<Text, bool> posixRename_;
  RenameCalls& calls_;
};

}  // namespace

// The real calls: SetFileInformationByHandle looked up once, so that the
// program names no function that an older Windows lacks in its imports.
BOOL RenameCalls::SetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, void* info,
                                 DWORD size) {
  SetFileInformationByHandleFn setInformation = SetFileInformationFn();
  if (!setInformation) {
    SetLastError(ERROR_CALL_NOT_IMPLEMENTED);
    return FALSE;
  }
  return setInformation(file, kind, info, size);
}

BOOL RenameCalls::Move(const wchar_t* from, const wchar_t* to, DWORD flags) {
  return MoveFileExW(from, to, flags);
}

std::unique_ptr<FileSystem> NewWin32FileSystem(RenameCalls& calls) {
  return std::make_unique<Win32FileSystem>(calls);
}

void FileSystem::Wait(unsigned milliseconds) { ::Sleep(milliseconds); }

FileSystem& RealFileSystem() {
  static RenameCalls calls;
  static Win32FileSystem fs(calls);
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
