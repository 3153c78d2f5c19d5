#pragma once
// The MAPI tables: the session's stores, a folder's messages (its contents) and a folder's
// subfolders (its hierarchy). Each is made with one reference for its receiver.

#include <string>
#include <vector>

#include "platform/mapi/mapi.h"
#include "platform/mapi/store_context.h"

namespace velora::platform::mapi_objects {

IMAPITable* NewStoresTable(std::vector<StorePtr> stores);
// The folder's messages as listed now, unsorted until SortTable (by unique name meanwhile).
IMAPITable* NewContentsTable(StorePtr store, std::string folder);
// The folder's subfolders, their message counts taken when a row first asks for them.
IMAPITable* NewHierarchyTable(StorePtr store, std::string folder);

}  // namespace velora::platform::mapi_objects
