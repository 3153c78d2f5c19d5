#pragma once
// The MAPI objects of a store: the store itself, its folders and messages (a message's body and
// MIME text open as streams), and a message outside any store. Each is made with one reference
// for its receiver.

#include <string>

#include "platform/mapi/mapi.h"
#include "platform/mapi/store_context.h"

namespace velora::platform::mapi_objects {

IMsgStore* NewStore(StorePtr store);
IMAPIFolder* NewFolder(StorePtr store, std::string path);
IMessage* NewStoredMessage(StorePtr store, std::string folder, std::string unique);
// A message over the bytes of one message file.
IMessage* NewLooseMessage(std::string bytes);

}  // namespace velora::platform::mapi_objects
