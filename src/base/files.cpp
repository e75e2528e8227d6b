#include "base/files.h"

namespace {

#ifdef _WIN32
constexpr char16_t kSeparator = u'\\';
#else
constexpr char16_t kSeparator = u'/';
#endif

// Leftovers of interrupted saves keep their names; past this many the
// directory is taken to refuse new files rather than to be full of them.
constexpr unsigned kTemporaryNameAttempts = 100;

}  // namespace

Text JoinPath(const Text& dir, const Text& name) {
  if (dir.empty()) return name;
  const char16_t last = dir.back();
  if (last == kSeparator || last == u'/') return dir + name;
  return dir + kSeparator + name;
}

bool ReplaceFileContents(FileSystem& fs, const Text& path, std::string_view bytes) {
  // "<name>.~tmp<N>" beside the target: the same directory keeps the final
  // move a rename on one volume, and the exclusive create means a file that
  // happens to carry such a name is skipped, never overwritten.
  Text temporary;
  std::unique_ptr<OutputFile> file;
  for (unsigned n = 1; n <= kTemporaryNameAttempts && !file; ++n) {
    temporary = path + u".~tmp" + FormatText(u"%u", n);
    file = fs.CreateNew(temporary);
    if (!file && !fs.Exists(temporary)) return false;
  }
  if (!file) return false;

  bool written = file->Write(bytes.data(), bytes.size()) && file->Flush();
  // Closed in any case: Win32 cannot delete a file that is still open.
  written = file->Close() && written;
  file.reset();
  if (written && fs.Replace(temporary, path)) return true;
  fs.Remove(temporary);
  return false;
}
