// Realistic histories for benchmarks and large tests: a working day of about
// twenty intervals from a little after eight, on consecutive days, under a
// dozen item names, Japanese among them. Deterministic: the same count gives
// the same records.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

#include "base/datetime.h"
#include "base/text.h"
#include "data/activity_record.h"
#include "data/item_catalogue.h"

namespace sample {

inline const std::vector<Text>& ItemNames() {
  static const std::vector<Text> names = {
      u"作業", u"会議", u"休憩", u"移動", u"メール", u"資料作成", u"打ち合わせ",
      u"昼食", u"電話対応", u"設計", u"Coding", u"Review", u"学習", u"雑務"};
  return names;
}

// 18 slots as the shipped settings file has them, the first ones named.
inline ItemCatalogue MakeCatalogue() {
  ItemCatalogue c;
  for (int k = 0; k < ItemCatalogue::kMaxSlots; ++k) {
    c.AddSlot(0x00101010u * static_cast<uint32_t>(k + 1), k % 3 == 2 ? 0 : 1);
  }
  for (const Text& name : ItemNames()) c.AddName(name);
  return c;
}

class Random {
 public:
  explicit Random(uint32_t seed) : state_(seed) {}
  // Uniform in [lo, hi].
  int Between(int lo, int hi) {
    state_ = state_ * 1664525u + 1013904223u;
    return lo + static_cast<int>((state_ >> 8) % static_cast<uint32_t>(hi - lo + 1));
  }

 private:
  uint32_t state_;
};

inline int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : days[month - 1];
}

// `count` closed records with minute resolution (as read from a file),
// starting on 2000-01-03; the last day may be cut short.
inline std::vector<ActivityRecord> MakeHistory(int count) {
  std::vector<ActivityRecord> records;
  records.reserve(static_cast<size_t>(count));
  const std::vector<Text>& names = ItemNames();
  Random random(12345);
  int year = 2000, month = 1, day = 3;
  while (static_cast<int>(records.size()) < count) {
    int minute = 8 * 60 + random.Between(0, 59);
    int perDay = random.Between(17, 23);
    for (int k = 0; k < perDay && static_cast<int>(records.size()) < count; ++k) {
      ActivityRecord r;
      r.name = names[static_cast<size_t>(random.Between(0, static_cast<int>(names.size()) - 1))];
      int length = random.Between(5, 30);
      r.start.wYear = static_cast<uint16_t>(year);
      r.start.wMonth = static_cast<uint16_t>(month);
      r.start.wDay = static_cast<uint16_t>(day);
      r.start.wHour = static_cast<uint16_t>(minute / 60);
      r.start.wMinute = static_cast<uint16_t>(minute % 60);
      r.end = r.start;
      r.end.wHour = static_cast<uint16_t>((minute + length) / 60);
      r.end.wMinute = static_cast<uint16_t>((minute + length) % 60);
      records.push_back(std::move(r));
      minute += length + random.Between(0, 10);
    }
    if (++day > DaysInMonth(year, month)) {
      day = 1;
      if (++month > 12) {
        month = 1;
        ++year;
      }
    }
  }
  return records;
}

}  // namespace sample
