// Picking an item in the tray menu starts, switches or stops its timing.
#pragma once

#include <functional>

#include "base/clock.h"
#include "data/activity_data.h"

constexpr int kFirstItemCommand = 40001;  // item j has command id 40001 + j
constexpr int kLastItemCommand = 40020;   // the command table routes 20 ids

using TooltipReceiver = std::function<void(const Text&)>;

// The tooltip while nothing is timed.
constexpr char16_t kIdleTooltip[] = u"Dorvane";

// The position of the running interval: the last open record with the
// running item's name, or -1. It is normally the last record, but the editor
// and import may have removed it or put records after it.
int FindRunningRecord(const RecordStore& store, const Text& name);

// Tells the user that an item's name cannot be written to the record file,
// so that no record of it can be made (caption "エラー", no icon).
void ShowUnwritableItem(Notifier& notifier, const Text& name);

// The handler of command ids 40001 to 40020. Closes the running interval,
// starts item j or stops it when it is the running one, saves the records and
// hands the new tooltip ("Dorvane" when nothing runs) to setTip.
void OnItemCommand(ActivityData& data, int commandId, const Clock& clock,
                   const TooltipReceiver& setTip);
