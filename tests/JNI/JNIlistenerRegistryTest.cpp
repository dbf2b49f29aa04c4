// The listener registry against the fake JNI environment, whose global references to one
// object are alike, as the JVM's reused values are: a listener is known by its owner and a
// token never used twice, and its reference goes with whoever finishes last.
#include "JNI/JNIlistenerRegistry.h"
#include "tests/support/TESTfakeJni.h"

#include "COL/COLerror.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

const JNIeventKind Kinds[] = {{"heard", "()V"}};

// A fake JVM with one listener class, which has the method of the one kind.
struct Listening {
  TESTfakeJni fake;
  Listening() {
    fake.defineClass("x/Listener");
    fake.defineMethod("x/Listener", "heard", "()V");
  }
  JNIEnv* env() { return fake.env(); }
  jobject listener() { return fake.newObject("x/Listener"); }
};

TEST(JNIlistenerRegistry, AListenerIsKnownByItsOwnerAndATokenNeverUsedTwice) {
  TESTfakeJni fake;
  JNIEnv* env = fake.env();
  fake.defineClass("x/Listener");
  jobject listener = fake.newObject("x/Listener");
  int a = 1;
  int b = 2;
  JNIlistenerRegistry registry(Kinds);

  void* first = registry.add(env, listener, &a);
  ASSERT_NE(nullptr, first);
  EXPECT_EQ(first, registry.liveFor(&a));
  EXPECT_EQ(nullptr, registry.liveFor(&b));
  EXPECT_FALSE(registry.release(env, &b, first)) << "another owner's release";
  EXPECT_EQ(1, fake.globalReferences());
  EXPECT_TRUE(registry.release(env, &a, first));
  EXPECT_EQ(0, fake.globalReferences());
  EXPECT_FALSE(registry.release(env, &a, first)) << "released twice";

  void* second = registry.add(env, listener, &b);
  EXPECT_NE(first, second) << "a token used again";
  EXPECT_FALSE(registry.isLive(&a, second));
  EXPECT_TRUE(registry.isLive(&b, second));
  {
    JNIlistenerRegistry::Share stale(registry, env, first);
    EXPECT_EQ(nullptr, stale.listener()) << "the released token reaches the new listener";
  }
  {
    JNIlistenerRegistry::Share event(registry, env, second);
    ASSERT_NE(nullptr, event.listener());
    EXPECT_TRUE(registry.release(env, &b, second));
    EXPECT_EQ(1, fake.globalReferences()) << "deleted under an event in flight";
    JNIlistenerRegistry::Share late(registry, env, second);
    EXPECT_EQ(nullptr, late.listener()) << "an event after the release";
  }
  EXPECT_EQ(0, fake.globalReferences()) << "the last share deletes the reference";
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

// A library unloaded and loaded again starts with a registry afresh: its tokens must still
// never be ones an earlier registry issued, nor repeat among themselves.
TEST(JNIlistenerRegistry, ARegistryMadeLaterIssuesNoTokenOfAnEarlierOne) {
  Listening listening;
  TESTfakeJni& fake = listening.fake;
  JNIEnv* env = listening.env();
  jobject listener = listening.listener();
  int owner = 0;
  std::set<jlong> issued;
  jlong latest = 0;
  for (int load = 0; load < 3; ++load) {
    std::unique_ptr<JNIlistenerRegistry> registry(new JNIlistenerRegistry(Kinds));
    std::vector<void*> tokens;
    for (int i = 0; i < 100; ++i) tokens.push_back(registry->add(env, listener, &owner));
    for (void* token : tokens) {
      jlong value = JNIlongOf(token);
      EXPECT_GT(value, latest) << "load " << load << ": a token not above the earlier ones";
      EXPECT_TRUE(issued.insert(value).second) << "load " << load << ": a token issued again";
      latest = value;
      EXPECT_TRUE(registry->release(env, &owner, token));
    }
  }
  EXPECT_EQ(0, fake.globalReferences());
}

// Listeners by the thousand, in every shard, released in a shuffled order: every one still
// live is found, by its token and through its owner, and none released is.
TEST(JNIlistenerRegistry, ListenersReleasedInAnyOrderLeaveTheOthersFound) {
  Listening listening;
  TESTfakeJni& fake = listening.fake;
  JNIEnv* env = listening.env();
  jobject listener = listening.listener();
  JNIlistenerRegistry registry(Kinds);
  const int count = 3000;
  std::vector<int> owners(count);
  std::vector<void*> tokens;
  for (int i = 0; i < count; ++i) tokens.push_back(registry.add(env, listener, &owners[i]));
  std::vector<int> order(count);
  for (int i = 0; i < count; ++i) order[i] = i;
  std::mt19937 shuffle(7);
  std::shuffle(order.begin(), order.end(), shuffle);
  std::vector<bool> released(count, false);
  for (int step = 0; step < count; ++step) {
    const int gone = order[step];
    ASSERT_TRUE(registry.release(env, &owners[gone], tokens[gone])) << "step " << step;
    released[gone] = true;
    if (step % 97 != 0 && step != count - 1) continue;
    for (int i = 0; i < count; ++i) {
      ASSERT_EQ(!released[i], registry.isLive(&owners[i], tokens[i])) << "step " << step << ", listener " << i;
      ASSERT_EQ(released[i] ? nullptr : tokens[i], registry.liveFor(&owners[i])) << "step " << step << ", owner " << i;
      JNIlistenerRegistry::Share share(registry, env, tokens[i]);
      ASSERT_EQ(released[i], share.listener() == nullptr) << "step " << step << ", event " << i;
    }
  }
  EXPECT_EQ(0, fake.globalReferences());
}

// Events on eight threads while listeners come and go on a ninth: an event reaches the
// listener its token names or none, never another's, and every reference is deleted once.
TEST(JNIlistenerRegistry, EventsOnManyThreadsMeetOnlyTheirOwnListeners) {
  Listening listening;
  TESTfakeJni& fake = listening.fake;
  JNIEnv* env = listening.env();
  JNIlistenerRegistry registry(Kinds);
  const int slots = 64;
  std::vector<int> owners(slots);
  std::vector<jobject> objects;
  std::vector<std::atomic<void*>> tokens(slots);
  for (int i = 0; i < slots; ++i) {
    objects.push_back(fake.newObject("x/Listener", i));
    tokens[i] = registry.add(env, objects[i], &owners[i]);
  }
  std::atomic<bool> stop{false};
  std::atomic<int> strangers{0};
  std::atomic<long> heard{0};
  std::vector<std::thread> events;
  for (int t = 0; t < 8; ++t) {
    events.emplace_back([&, t] {
      JNIEnv* own = nullptr;
      fake.vm()->AttachCurrentThread(reinterpret_cast<void**>(&own), nullptr);
      for (unsigned n = static_cast<unsigned>(t); !stop.load(); n = n * 1103515245u + 12345u) {
        const int slot = static_cast<int>(n >> 8) % slots;
        JNIlistenerRegistry::Share share(registry, own, tokens[slot].load());
        if (share.listener() == nullptr) continue;
        ++heard;
        if (fake.valueOf(share.listener()) != slot) ++strangers;
      }
      fake.vm()->DetachCurrentThread();
    });
  }
  for (int round = 0; round < 20000; ++round) {
    const int slot = round * 7 % slots;
    void* old = tokens[slot].load();
    tokens[slot] = registry.add(env, objects[slot], &owners[slot]);
    ASSERT_TRUE(registry.release(env, &owners[slot], old)) << round;
  }
  stop = true;
  for (std::thread& thread : events) thread.join();
  EXPECT_GT(heard.load(), 0);
  EXPECT_EQ(0, strangers.load());
  for (int i = 0; i < slots; ++i) EXPECT_TRUE(registry.release(env, &owners[i], tokens[i].load()));
  EXPECT_EQ(0, fake.globalReferences());
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

// An event names its kind by its place in the bridge's table; a place outside it is
// refused, never read.
TEST(JNIlistenerRegistry, AMethodIsFoundOnlyForAKindOfTheTable) {
  Listening listening;
  TESTfakeJni& fake = listening.fake;
  JNIEnv* env = listening.env();
  JNIlistenerRegistry registry(Kinds);
  void* token = registry.add(env, listening.listener(), &fake);
  {
    JNIlistenerRegistry::Share share(registry, env, token);
    EXPECT_NE(nullptr, share.method(env, 0));
    for (int outside : {-1, 1, 12}) {
      EXPECT_THROW(share.method(env, outside), COLerror) << outside;
    }
  }
  EXPECT_TRUE(registry.release(env, &fake, token));
  EXPECT_EQ(std::vector<std::string>{}, fake.violations());
}

}  // namespace
