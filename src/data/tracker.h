// Picking an item in the tray menu starts, switches or stops its timing.
#pragma once

#include <functional>

#include "base/clock.h"
#include "data/activity_data.h"

// Receives the running item's name after a change, empty when nothing runs.
using TooltipReceiver = std::function<void(const Text& runningItem)>;

// The position of the running interval: the last open record with the
// running item's name, or -1. It is normally the last record, but the editor
// and import may have removed it or put records after it.
int FindRunningRecord(const RecordStore& store, const Text& name);

// Takes in what other programs wrote to data.csv and Dorvane.ini (see
// RecordStore::TakeInEdit, ItemCatalogue::TakeInEdit) before the item menu
// is built and before a window that shows them opens. True when either was
// loaded anew: the running item may be another one.
bool TakeInEdits(ActivityData& data);

// Item `item` (an index of the catalogue) picked: takes in an edit of
// data.csv first (RecordStore::TakeInEdit), then closes the running
// interval, starts the item or stops it when it is the running one, saves the
// records and hands the running item to setTip. An index that is no item
// does nothing; an item whose name the record file cannot hold is reported
// and not timed.
void PickItem(ActivityData& data, int item, const Clock& clock, const TooltipReceiver& setTip);
