// The process-wide data, kept together and owned by the start-up sequence:
// the working directory and its files, the items, the records and the item
// being timed.
#pragma once

#include <utility>

#include "data/item_catalogue.h"
#include "data/record_store.h"
#include "data/workspace.h"

struct ActivityData {
  explicit ActivityData(Workspace workspace)
      : ws(std::move(workspace)), store(ws, currentActivity) {}
  ActivityData(const ActivityData&) = delete;
  ActivityData& operator=(const ActivityData&) = delete;

  Workspace ws;
  Text currentActivity;  // CurrentActivity: empty when nothing is timed
  ItemCatalogue catalogue;
  RecordStore store;
};
