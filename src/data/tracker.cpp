#include "data/tracker.h"

#include <utility>

#include "data/item_name.h"

int FindRunningRecord(const RecordStore& store, const Text& name) {
  for (int i = store.Count() - 1; i >= 0; --i) {
    const ActivityRecord& r = store.At(i);
    if (r.name == name && IsOpenRecord(r)) return i;
  }
  return -1;
}

bool TakeInEdits(ActivityData& data) {
  const bool items = data.catalogue.TakeInEdit(data.ws);
  return data.store.TakeInEdit() || items;
}

void PickItem(ActivityData& data, int item, const Clock& clock, const TooltipReceiver& setTip) {
  if (item < 0 || item >= data.catalogue.Count()) return;
  // The pick applies to what another program saved, not to what it replaced.
  if (data.store.TakeInEdit() && setTip) setTip(data.currentActivity);
  const Text name = data.catalogue.Name(item);
  if (!RecordFileCanHoldName(name)) {
    // Its records would read back under another name, or not at all.
    data.ws.reporter.Report(DataReport{DataEvent::kUnwritableItemName, name});
    return;
  }

  RecordStore& store = data.store;
  if (!data.currentActivity.empty()) {
    int i = FindRunningRecord(store, data.currentActivity);
    if (i >= 0) {
      ActivityRecord& running = store.At(i);
      running.end = clock();
      // The file keeps minutes only: an interval within one clock minute
      // would read back as open, and as the last record be taken up again
      // after a restart.
      if (IsSameMinute(running.start, running.end)) store.RemoveAt(i);
    }
  }

  if (data.currentActivity == name) {
    data.currentActivity.clear();
    if (setTip) setTip(Text());
  } else {
    data.currentActivity = name;
    ActivityRecord record;
    record.name = name;
    record.start = clock();
    record.end = record.start;
    store.Append(std::move(record));
    if (setTip) setTip(name);
  }
  store.Save();
}
