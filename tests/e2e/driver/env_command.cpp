// What the prefix gives a Japanese program.
#include "command.h"

namespace driver {

// env: what the prefix gives a Japanese program: the ANSI code page, the
// weekday names of the user locale and the font that "ＭＳ Ｐゴシック" becomes.
int Env(int argc, wchar_t** argv) {
  Args args(argc, argv, {});
  if (!args.Ok()) return Broken(args.Error());
  std::wstring out = L"acp\t" + Num(GetACP()) + L"\n";
  out += L"weekdays\t";
  for (WORD day = 0; day < 7; ++day) {
    SYSTEMTIME st{};
    st.wYear = 2024;
    st.wMonth = 3;
    st.wDay = static_cast<WORD>(3 + day);  // 2024-03-03 was a Sunday
    wchar_t name[64] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, 0, &st, L"dddd", name, 64);
    out += std::wstring(day ? L" " : L"") + name;
  }
  out += L"\n";
  HDC dc = GetDC(nullptr);
  HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                           L"\uff2d\uff33 \uff30\u30b4\u30b7\u30c3\u30af");
  HGDIOBJ old = SelectObject(dc, font);
  std::vector<char> metrics_buffer(GetOutlineTextMetricsW(dc, 0, nullptr) + 1);
  auto* otm = reinterpret_cast<OUTLINETEXTMETRICW*>(metrics_buffer.data());
  std::wstring family = L"(no outline font)";
  if (metrics_buffer.size() > 1 && GetOutlineTextMetricsW(dc, static_cast<UINT>(metrics_buffer.size()), otm))
    family = reinterpret_cast<const wchar_t*>(metrics_buffer.data() + reinterpret_cast<uintptr_t>(otm->otmpFamilyName));
  const std::wstring sample = L"\u30d5\u30a1\u30a4\u30eb\u65e5\u672c";
  WORD glyphs[16] = {};
  GetGlyphIndicesW(dc, sample.c_str(), static_cast<int>(sample.size()), glyphs, GGI_MARK_NONEXISTING_GLYPHS);
  int missing = 0;
  for (size_t i = 0; i < sample.size(); ++i) missing += glyphs[i] == 0xFFFF;
  SelectObject(dc, old);
  DeleteObject(font);
  ReleaseDC(nullptr, dc);
  out += L"font\t" + family + L"\n";
  out += L"missing-glyphs\t" + Num(missing) + L"\n";
  Print(out);
  return kDone;
}

}  // namespace driver
