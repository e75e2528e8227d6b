// A FileSystem that passes everything to the real one except the step told
// to fail. Tests run as root, where a read-only file or directory does not
// make a write fail by itself, so faults are injected here.
#pragma once

#include <memory>
#include <string>

#include "base/files.h"

enum class FileFault { None, Read, Copy, CreateNew, Write, Flush, Close, Replace, Remove };

class FaultyFileSystem : public FileSystem {
 public:
  explicit FaultyFileSystem(FileFault fault = FileFault::None) : fault_(fault) {}
  void SetFault(FileFault fault) { fault_ = fault; }

  bool ReadAll(const Text& path, std::string& bytes) override {
    if (fault_ == FileFault::Read) return false;
    return real_.ReadAll(path, bytes);
  }
  bool Exists(const Text& path) override { return real_.Exists(path); }
  bool Copy(const Text& from, const Text& to, bool overwrite) override {
    if (fault_ == FileFault::Copy) return false;
    return real_.Copy(from, to, overwrite);
  }
  bool HardLink(const Text& existing, const Text& link) override {
    return real_.HardLink(existing, link);
  }
  std::unique_ptr<OutputFile> CreateNew(const Text& path) override {
    if (fault_ == FileFault::CreateNew) return nullptr;
    std::unique_ptr<OutputFile> file = real_.CreateNew(path);
    if (!file) return nullptr;
    return std::make_unique<File>(std::move(file), fault_);
  }
  bool Replace(const Text& from, const Text& to) override {
    if (fault_ == FileFault::Replace) return false;
    return real_.Replace(from, to);
  }
  bool Remove(const Text& path) override {
    if (fault_ == FileFault::Remove) return false;
    return real_.Remove(path);
  }

 private:
  class File : public OutputFile {
   public:
    File(std::unique_ptr<OutputFile> real, FileFault fault) : real_(std::move(real)), fault_(fault) {}
    // A failing write puts part of the data on disk first, like a full disk.
    bool Write(const void* data, size_t size) override {
      if (fault_ != FileFault::Write) return real_->Write(data, size);
      real_->Write(data, size / 2);
      return false;
    }
    bool Flush() override { return fault_ != FileFault::Flush && real_->Flush(); }
    // The real file is closed in any case, so the caller can remove it.
    bool Close() override { return real_->Close() && fault_ != FileFault::Close; }

   private:
    std::unique_ptr<OutputFile> real_;
    FileFault fault_;
  };

  FileSystem& real_ = RealFileSystem();
  FileFault fault_;
};
