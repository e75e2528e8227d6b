// Win32 only. LocalDateTime and the platform's SYSTEMTIME have the same eight fields in
// the same order; these convert field by field (the date pickers and
// GetDateFormatW speak SYSTEMTIME).
#pragma once

#include <windows.h>

#include "base/datetime.h"

template <typename To, typename From>
To CopyTimeFields(const From& from) {
  To to;
  to.wYear = from.wYear;
  to.wMonth = from.wMonth;
  to.wDayOfWeek = from.wDayOfWeek;
  to.wDay = from.wDay;
  to.wHour = from.wHour;
  to.wMinute = from.wMinute;
  to.wSecond = from.wSecond;
  to.wMilliseconds = from.wMilliseconds;
  return to;
}

inline SYSTEMTIME ToSystemTime(const LocalDateTime& t) { return CopyTimeFields<SYSTEMTIME>(t); }

inline LocalDateTime FromSystemTime(const SYSTEMTIME& st) { return CopyTimeFields<LocalDateTime>(st); }
