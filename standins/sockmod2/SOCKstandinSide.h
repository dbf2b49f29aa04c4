// What the two sides of the network, the listener and the client, share: the audience
// their events go to, the lock over their settings, the blocks that frame each message,
// and the road of an event from an I/O thread (or a test's hand) through the side's
// message loop to the registered callbacks.
#pragma once

#include "standins/sockmod2/SOCKstandinCore.h"
#include "standins/sockmod2/SOCKstandinEvents.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>

class SOCKside {
public:
  SOCKside() = default;
  SOCKside(const SOCKside&) = delete;
  SOCKside& operator=(const SOCKside&) = delete;
  virtual ~SOCKside() = default;

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

template <typename Callbacks>
using SOCKcall = std::function<void(const Callbacks&, void*)>;

// Posts one event to a side's loop; when it is delivered, each user value still in the
// audience gets it with the callbacks registered at that moment.
template <typename Callbacks>
void SOCKpost(SOCKloop& loop, Callbacks (*now)(), std::shared_ptr<SOCKside> side, SOCKcall<Callbacks> call) {
  loop.post([side, now, call = std::move(call)]() {
    Callbacks callbacks = now();
    side->audience.deliver([&](void* user) { call(callbacks, user); });
  });
}

// An event raised by hand: posted from the calling thread, or from a new thread of the
// stand-in that is joined before this returns.
void SOCKraise(bool fromWorker, const std::function<void()>& post);

// The text of an event raised by hand, which may be null.
class SOCKeventText {
public:
  explicit SOCKeventText(const char* text) : m_Text(text ? text : ""), m_Null(text == nullptr) {}
  const char* get() const { return m_Null ? nullptr : m_Text.c_str(); }

private:
  std::string m_Text;
  bool m_Null;
};

// A setter of one process-wide callback.
#define SOCK_CALLBACK_SETTER(Name, Change, Callbacks, Field, Type)        \
  VRNresult Name(Type Callback) {                                         \
    SOCK_ENTER(Name, SOCKpointer(reinterpret_cast<void*>(Callback)));     \
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
    SOCK_ENTER(VRN##what##AddListener, SOCKpointer(Param), SOCKpointer(UserValue));               \
    WITH(Param, return core->addUser(UserValue););                                                \
  }                                                                                               \
  VRNresult VRN##what##RemoveListener(VRNhandle Param, void* UserValue) {                         \
    SOCK_ENTER(VRN##what##RemoveListener, SOCKpointer(Param), SOCKpointer(UserValue));            \
    WITH(Param, return core->removeUser(UserValue););                                             \
  }                                                                                               \
  SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Header, header)                                         \
  SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Trailer, trailer)

#define SOCK_BLOCK_FUNCTIONS(what, WITH, Param, Which, field)                                    \
  VRNresult VRN##what##Get##Which##Block(VRNhandle Param, const char** Block) {                  \
    SOCK_ENTER(VRN##what##Get##Which##Block, SOCKpointer(Param));                                \
    WITH(Param, return core->getBlock(core->field, "VRN" #what "Get" #Which "Block", Block););   \
  }                                                                                              \
  VRNresult VRN##what##Set##Which##Block(VRNhandle Param, const char* Block) {                   \
    SOCK_ENTER(VRN##what##Set##Which##Block, SOCKpointer(Param), SOCKtext(Block));               \
    WITH(Param, return core->setBlock(core->field, Block););                                     \
  }
