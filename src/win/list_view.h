// The report-view list calls the dialogs share: columns, rows appended at
// the end, cell texts, the selection.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "base/text.h"

namespace list_view {

void SetExtendedStyles(HWND list, DWORD styles);
// Column `column` with its header text, width in pixels and LVCFMT_ alignment.
void InsertColumn(HWND list, int column, const wchar_t* header, int width, int format);
// A new last row showing `text` in its first column; its index, or -1.
int AppendRow(HWND list, const Text& text);
// The same with an image of the list's small image list.
int AppendRow(HWND list, const Text& text, int image);
void SetCell(HWND list, int row, int column, const Text& text);
void DeleteAllRows(HWND list);
// The first selected row, or -1.
int SelectedRow(HWND list);
// The row with the focus rectangle, or -1.
int FocusedRow(HWND list);

}  // namespace list_view
