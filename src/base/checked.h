// Lists are std::vector. An index outside a list is a broken invariant, never
// an expected condition: the program ends at once (on Win32 through the
// structured exception EXCEPTION_ARRAY_BOUNDS_EXCEEDED, which nothing catches).
#pragma once

#include <cstddef>
#include <vector>

[[noreturn]] void BrokenIndex();

template <typename T>
const T& CheckedAt(const std::vector<T>& list, int i) {
  if (i < 0 || static_cast<size_t>(i) >= list.size()) BrokenIndex();
  return list[static_cast<size_t>(i)];
}

template <typename T>
T& CheckedAt(std::vector<T>& list, int i) {
  if (i < 0 || static_cast<size_t>(i) >= list.size()) BrokenIndex();
  return list[static_cast<size_t>(i)];
}
