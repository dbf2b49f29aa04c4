// What the two sides of the network, the listener and the client, share: the audience
// their events go to, the lock over their settings, the blocks that frame each message,
// and the road of an event from an I/O thread (or a test's hand) through the side's
// message loop to the registered callbacks.
#pragma once

#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinEvents.h"

#include <memory>
#include <mutex>
#include <string>

class SOCKside : public SOCKeventTarget {
public:
  SOCKside() = default;
  SOCKside(const SOCKside&) = delete;
  SOCKside& operator=(const SOCKside&) = delete;
  ~SOCKside() override = default;

  // AddListener and RemoveListener: an error for a value added twice or never added.
  VRNresult addUser(void* UserValue);
  VRNresult removeUser(void* UserValue);
  // A getter of the header or trailer block, the text kept under the getter's name.
  VRNresult getBlock(const std::string& block, const char* getter, const char** Block);
  // A setter of the header or trailer block: checked, stored, then blocksChanged() under
  // the lock.
  VRNresult setBlock(std::string& block, const char* Block);
  // Both blocks as they are now, for a new link.
  void blocks(std::string& header, std::string& trailer);

  SOCKaudience audience;
  std::mutex lock;
  std::string header = "\x0B", trailer = "\x1C\x0D";

protected:
  virtual void blocksChanged() {}
};

// An event raised by hand: posted to the loop from the calling thread, or from a new
// thread of the stand-in that is joined before this returns.
void SOCKraise(bool fromWorker, SOCKloop& loop, const std::shared_ptr<SOCKeventTarget>& target, const SOCKevent& event);
// The event a test raises by hand: text may be null, connection is not held.
SOCKevent SOCKraisedEvent(int what, VRNhandle connection, const char* text, int code);

// A setter of one process-wide callback.
#define SOCK_CALLBACK_SETTER(Name, Change, Callbacks, Field, Type)        \
  VRNresult Name(Type Callback) {                                         \
    SOCK_ENTER(Name, SOCKpointerArg(reinterpret_cast<void*>(Callback)));     \
    return SOCKguard([&]() -> VRNresult {                                 \
      Change([&](Callbacks& c) { c.Field = Callback; });                  \
      return nullptr;                                                     \
    });                                                                   \
  }

// The functions both sides have over their SOCKside: VRN<what>AddListener and
// RemoveListener, and the getters and setters of the header and trailer blocks, each on
// a handle named Param that WITH (the side's SOCK_WITH_OBJECT) turns into `core`.
#define SOCK_SIDE_FUNCTIONS(what, WITH, Param)                                                    \
  VRNresult VRN##what##AddListener(VRNhandle Param, void* UserValue) {                            \
    SOCK_ENTER(VRN##what##AddListener, SOCKpointerArg(Param), SOCKpointerArg(UserValue));               \
    WITH(Param, return core->addUser(UserValue););                                                \
  }                                                                                               \
  VRNresult VRN##what##RemoveListener(VRNhandle Param, void* UserValue) {                         \
    SOCK_ENTER(VRN##what##RemoveListener, SOCKpointerArg(Param), SOCKpointerArg(UserValue));            \
    WITH(Param, return core->removeUser(UserValue););                                             \
  }                                                                                               \
  SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Header, header)                                         \
  SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Trailer, trailer)

#define SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Which, field)                                    \
  VRNresult VRN##what##Get##Which##Block(VRNhandle Param, const char** Block) {                  \
    SOCK_ENTER(VRN##what##Get##Which##Block, SOCKpointerArg(Param));                                \
    WITH(Param, return core->getBlock(core->field, "VRN" #what "Get" #Which "Block", Block););   \
  }                                                                                              \
  VRNresult VRN##what##Set##Which##Block(VRNhandle Param, const char* Block) {                   \
    SOCK_ENTER(VRN##what##Set##Which##Block, SOCKpointerArg(Param), SOCKtextArg(Block));               \
    WITH(Param, return core->setBlock(core->field, Block););                                     \
  }
