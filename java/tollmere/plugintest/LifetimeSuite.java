package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.PluginException;
import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.ClassTree;
import harness.Suite;
import java.lang.ref.WeakReference;

/**
 * Who owns what: listener references live from AddListener to the Release that names them,
 * and no longer; a refused registration or a failing Release leaves nothing behind and
 * nothing deleted twice; a handle that cannot be wrapped goes back to the library.
 */
public final class LifetimeSuite implements Suite {
    @Override
    public void cases(Cases table) {
        table.add("a Destination is collectable after AddListener and Release", () -> {
            WeakReference<Destination> weak = registeredThenReleased(false);
            Check.isTrue(collected(weak), "the destination was never collected");
        });
        table.add("a Destination is collectable after a refused AddListener", () -> {
            WeakReference<Destination> weak = registeredThenReleased(true);
            Check.isTrue(collected(weak), "the refused listener's reference keeps the destination");
        });
        table.add("two AddListener calls give two references, each registered", () -> {
            StandIn.reset();
            Destination destination = new Destination();
            long h = destination.getHandle();
            long first = destination.TLMdestinationAddListener(h);
            long second = destination.TLMdestinationAddListener(h);
            Check.isTrue(first != second && first != 0 && second != 0, "two references");
            Check.equal(2, StandIn.listenerCount(h), "listeners registered");
            Destination.TLMdestinationAddRef(h);
            Destination.TLMdestinationRelease(h, first);
            Destination.TLMdestinationRelease(h, second);
            Check.equal(-1L, StandIn.refCount(h), "references left");
        });
        table.add("a Release whose RemoveListener fails keeps the listener and the object", () -> {
            StandIn.reset();
            Listeners.RecordingDestination destination = new Listeners.RecordingDestination();
            long h = destination.getHandle();
            long listener = destination.TLMdestinationAddListener(h);
            StandIn.injectError("TLMdestinationRemoveListener", "busy");
            PluginException thrown = SweepSuite.raised(() -> Destination.TLMdestinationRelease(h, listener), "Release");
            Check.equal("busy", thrown.getMessage(), "message");
            Check.equal(1L, StandIn.refCount(h), "the object's references");
            Check.equal(1, StandIn.listenerCount(h), "listeners");
            StandIn.fire(StandIn.DESTINATION_DISCONNECTED, h, StandIn.NEW_THREAD, 1, 1);
            Check.equal(1, destination.calls.size(), "the reference still reaches the listener");
            Destination.TLMdestinationRelease(h, listener);
            Check.equal(-1L, StandIn.refCount(h), "released at last");
        });
        table.add("a Release retried after the object's release failed goes straight to the object, deletes nothing twice", () -> {
            StandIn.reset();
            Destination destination = new Destination();
            long h = destination.getHandle();
            long listener = destination.TLMdestinationAddListener(h);
            StandIn.injectError("TLMdestinationRelease", "not now");
            SweepSuite.raised(() -> Destination.TLMdestinationRelease(h, listener), "Release");
            Check.equal(0, StandIn.listenerCount(h), "listener removed by the first try");
            int start = StandIn.journalCount();
            Destination.TLMdestinationRelease(h, listener);
            Check.equal(java.util.List.of("TLMdestinationRelease " + StandIn.handle(h)),
                        StandIn.journalSince(start), "the retry releases the object, the listener being gone");
            Check.equal(-1L, StandIn.refCount(h), "released");
        });
        table.add("a Release with a token not the Destination's listener is refused; the owner's then works", () -> {
            StandIn.reset();
            Listeners.RecordingDestination destination = new Listeners.RecordingDestination();
            long h = destination.getHandle();
            long listener = destination.TLMdestinationAddListener(h);
            Destination other = new Destination();
            long othersListener = other.TLMdestinationAddListener(other.getHandle());
            for (long forged : new long[] {0L, -1L, h, othersListener}) {
                int start = StandIn.journalCount();
                PluginException refused = SweepSuite.raised(() -> Destination.TLMdestinationRelease(h, forged), "Release");
                Check.contains(refused.getMessage(), "TLMdestinationRelease", forged + ": names the native");
                Check.equal(java.util.List.of(), StandIn.journalSince(start), forged + ": library calls");
            }
            Check.equal(1L, StandIn.refCount(h), "the object's references");
            StandIn.fire(StandIn.DESTINATION_DISCONNECTED, h, StandIn.NEW_THREAD, 1, 1);
            Check.equal(1, destination.calls.size(), "the listener still hears its destination");
            Destination.TLMdestinationRelease(h, listener);
            Check.equal(-1L, StandIn.refCount(h), "released by its owner");
            Destination.TLMdestinationRelease(other.getHandle(), othersListener);
            WeakReference<Destination> weak = new WeakReference<>(destination);
            destination = null;
            Check.isTrue(collected(weak), "the destination was never collected");
        });
        table.add("a retried Release touches only its own destination's listener, never another's", () -> {
            ChildJvm.Result child = ChildJvm.run("plugintest.Children", "retried-release");
            Check.equal(0, child.status, "child " + child);
            Check.contains(child.output, "B heard 2, A released true", "child " + child);
            Check.isTrue(child.jniWarnings().isEmpty(), "JNI warning in " + child);
            Check.isTrue(!child.output.contains("FATAL ERROR"), "fatal error in " + child);
        });
        table.add("a returned handle without its wrapper class goes back to the library", () -> {
            String classPath = ChildProcess.classPathWithout("DisconnectReason", null);
            try {
                ChildJvm.Result child = ChildJvm.runOn(classPath, "plugintest.MissingWrapperChild");
                Check.equal(0, child.status, "child " + child);
                Check.contains(child.output, "not wrapped", "child " + child);
                Check.contains(child.output, "references 2", "child " + child);
                Check.isTrue(child.jniWarnings().isEmpty(), "JNI warning in " + child);
            } finally {
                ClassTree.remove(classPath);
            }
        });
    }

    /** A destination given a listener and released, with only a weak reference kept. */
    static WeakReference<Destination> registeredThenReleased(boolean refused) throws Exception {
        StandIn.reset();
        Destination destination = new Destination();
        long h = destination.getHandle();
        long listener = 0;
        if (refused) {
            StandIn.injectError("TLMdestinationAddListener", "no listeners today");
            PluginException thrown = SweepSuite.raised(() -> destination.TLMdestinationAddListener(h), "AddListener");
            Check.equal("no listeners today", thrown.getMessage(), "message");
            Check.equal(0, StandIn.listenerCount(h), "listeners");
        } else {
            listener = destination.TLMdestinationAddListener(h);
        }
        Destination.TLMdestinationRelease(h, listener);
        Check.equal(-1L, StandIn.refCount(h), "references left");
        return new WeakReference<>(destination);
    }

    static boolean collected(WeakReference<?> weak) throws InterruptedException {
        for (int i = 0; i < 100 && weak.get() != null; ++i) {
            System.gc();
            Thread.sleep(10);
        }
        return weak.get() == null;
    }
}
