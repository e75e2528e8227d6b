#include "win/list_view.h"

namespace list_view {
namespace {

int Append(HWND list, LVITEMW& item) {
  item.iItem = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  return static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

}  // namespace

void SetExtendedStyles(HWND list, DWORD styles) {
  ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, static_cast<LPARAM>(styles));
}

void InsertColumn(HWND list, int column, const wchar_t* header, int width, int format) {
  LVCOLUMNW col{};
  col.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  col.fmt = format;
  col.cx = width;
  col.pszText = const_cast<wchar_t*>(header);
  col.iSubItem = column;
  ::SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
}

int AppendRow(HWND list, const Text& text) {
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(WStr(text));
  return Append(list, item);
}

int AppendRow(HWND list, const Text& text, int image) {
  LVITEMW item{};
  item.mask = LVIF_IMAGE | LVIF_TEXT;
  item.pszText = const_cast<wchar_t*>(WStr(text));
  item.iImage = image;
  return Append(list, item);
}

void SetCell(HWND list, int row, int column, const Text& text) {
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = const_cast<wchar_t*>(WStr(text));
  ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void DeleteAllRows(HWND list) { ::SendMessageW(list, LVM_DELETEALLITEMS, 0, 0); }

int SelectedRow(HWND list) {
  return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

int FocusedRow(HWND list) {
  return static_cast<int>(::SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
}

}  // namespace list_view
