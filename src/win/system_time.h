// LocalDateTime and the platform's SYSTEMTIME have the same eight fields in
// the same order; these convert field by field (the date pickers and
// GetDateFormatW speak SYSTEMTIME).
#pragma once

#include <windows.h>

#include "base/datetime.h"

inline SYSTEMTIME ToSystemTime(const LocalDateTime& t) {
  SYSTEMTIME st;
  st.wYear = t.wYear;
  st.wMonth = t.wMonth;
  st.wDayOfWeek = t.wDayOfWeek;
  st.wDay = t.wDay;
  st.wHour = t.wHour;
  st.wMinute = t.wMinute;
  st.wSecond = t.wSecond;
  st.wMilliseconds = t.wMilliseconds;
  return st;
}

inline LocalDateTime FromSystemTime(const SYSTEMTIME& st) {
  LocalDateTime t;
  t.wYear = st.wYear;
  t.wMonth = st.wMonth;
  t.wDayOfWeek = st.wDayOfWeek;
  t.wDay = st.wDay;
  t.wHour = st.wHour;
  t.wMinute = st.wMinute;
  t.wSecond = st.wSecond;
  t.wMilliseconds = st.wMilliseconds;
  return t;
}
