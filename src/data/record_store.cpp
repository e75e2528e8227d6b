#include "data/record_store.h"

#include <utility>

#include "base/checked.h"

const ActivityRecord& RecordStore::At(int i) const { return CheckedAt(records_, i); }

ActivityRecord& RecordStore::At(int i) { return CheckedAt(records_, i); }

void RecordStore::Append(ActivityRecord record) { records_.push_back(std::move(record)); }

void RecordStore::InsertAt(int i, ActivityRecord record) {
  if (i < 0 || i > Count()) BrokenIndex();
  records_.insert(records_.begin() + i, std::move(record));
}

void RecordStore::RemoveAt(int i) {
  CheckedAt(records_, i);
  records_.erase(records_.begin() + i);
}
