// The listener's and the client's shared settings and event road (SOCKstandinSide.h).
#include "standins/sockmod2/SOCKstandinSide.h"
#include "standins/sockmod2/SOCKstandinLink.h"

#include <thread>

VRNresult SOCKside::addUser(void* UserValue) {
  if (!audience.add(UserValue)) return SOCKfail("Listener already added", "UserValue", SOCKpointer(UserValue));
  return nullptr;
}

VRNresult SOCKside::removeUser(void* UserValue) {
  if (!audience.remove(UserValue)) return SOCKfail("No such listener", "UserValue", SOCKpointer(UserValue));
  return nullptr;
}

VRNresult SOCKside::getBlock(const std::string& block, const char* getter, const char** Block) {
  SOCK_NEED(Block);
  std::lock_guard<std::mutex> hold(lock);
  *Block = SOCKresult(getter, block);
  return nullptr;
}

VRNresult SOCKside::setBlock(std::string& block, const char* Block) {
  if (VRNresult bad = SOCKcheckBlock(Block)) return bad;
  std::lock_guard<std::mutex> hold(lock);
  block = Block;
  blocksChanged();
  return nullptr;
}

void SOCKside::blocks(std::string& header, std::string& trailer) {
  std::lock_guard<std::mutex> hold(lock);
  header = this->header;
  trailer = this->trailer;
}

void SOCKraise(bool fromWorker, SOCKloop& loop, const std::shared_ptr<SOCKeventTarget>& target, const SOCKevent& event) {
  if (fromWorker) {
    std::thread worker([&] { loop.post(target, SOCKevent(event)); });
    worker.join();
  } else {
    loop.post(target, SOCKevent(event));
  }
}

SOCKevent SOCKraisedEvent(int what, VRNhandle connection, const char* text, int code) {
  SOCKevent event;
  event.what = what;
  event.connection = connection;
  event.text = text ? text : "";
  event.nullText = text == nullptr;
  event.code = code;
  return event;
}
