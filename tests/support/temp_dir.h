// A fresh directory for one test, removed with everything in it afterwards.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "base/files.h"
#include "base/text.h"

#ifdef _WIN32
#include <process.h>
#else
#include <unistd.h>
#endif

class TempDir {
 public:
  TempDir() {
    namespace fs = std::filesystem;
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
      fs::path p = base / ("dorvane-test-" + std::to_string(Pid()) + "-" +
                           std::to_string(counter++));
      std::error_code ec;
      if (fs::create_directory(p, ec)) {
        path_ = p;
        return;
      }
    }
    ADD_FAILURE() << "cannot create a temporary directory";
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  Text Path() const { return path_.u16string(); }
  // The full path of a file in the directory, as the program spells it.
  Text File(const Text& name) const { return JoinPath(Path(), name); }
  // The names in the directory, sorted.
  std::vector<Text> Names() const {
    std::vector<Text> names;
    for (const auto& entry : std::filesystem::directory_iterator(path_)) {
      names.push_back(entry.path().filename().u16string());
    }
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  static long Pid();
  std::filesystem::path path_;
};

#ifdef _WIN32
inline long TempDir::Pid() { return static_cast<long>(_getpid()); }
#else
inline long TempDir::Pid() { return static_cast<long>(getpid()); }
#endif

// Test-side file access that does not go through the seam under test.
inline std::string ReadBytes(const Text& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file of the source tree (for example "defaults/Dorvane.ini"), found from
// this header's place in tests/unit; empty when it cannot be read.
inline std::string ReadSourceFile(const char* relative) {
  std::string root = std::filesystem::path(__FILE__).parent_path().parent_path().parent_path().string();
#ifdef _WIN32
  // A Unix path seen from Wine: its root is drive Z.
  if (!root.empty() && root[0] == '/') root = "Z:" + root;
#endif
  return ReadBytes(JoinPath(TextFromUtf8(root), TextFromUtf8(relative)));
}

inline void WriteBytes(const Text& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Another program saves a new file in the place of `path`, as editors and
// spreadsheets do (a new file index, whatever its size and time).
inline void SaveElsewhere(const Text& path, const std::string& bytes) {
  WriteBytes(path + u".other", bytes);
  std::filesystem::rename(std::filesystem::path(path + u".other"), std::filesystem::path(path));
}

// Makes the file an hour older, as if written before everything since.
inline void Age(const Text& path) {
  const std::filesystem::path p(path);
  std::filesystem::last_write_time(p, std::filesystem::last_write_time(p) - std::chrono::hours(1));
}

inline bool FileExists(const Text& path) {
  std::error_code ec;
  return std::filesystem::exists(std::filesystem::path(path), ec);
}
