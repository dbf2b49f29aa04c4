package harness;

import java.lang.ref.Reference;

/**
 * The two places where a JVM has no room left to make an exception object, for the cases
 * that call a failing native there: the end of a thread's stack, and a full heap. The JVM's
 * own StackOverflowError or OutOfMemoryError must reach Java then, and the JVM go on.
 */
public final class VmEdge {
    private VmEdge() {}

    /** A call of a native that fails, raising the bridge's exception. */
    public interface Failing {
        void call() throws Exception;
    }

    /**
     * Calls the native at every depth of a recursion until the stack ends, in the given
     * number of threads one after the other, each with a stack of its own size (so that the
     * end falls at another place of the native's road each time). Returns how many calls
     * raised StackOverflowError instead of the bridge's exception.
     */
    public static int atStackEnd(Failing failing, int rounds) throws InterruptedException {
        int[] overflows = {0};
        for (int round = 0; round < rounds; ++round) {
            Thread diver = new Thread(null, () -> {
                try {
                    dive(failing, overflows);
                } catch (StackOverflowError expected) {
                    // The recursion's end.
                }
            }, "diver", 256 * 1024 + round * 4096);
            diver.start();
            diver.join();
        }
        return overflows[0];
    }

    private static void dive(Failing failing, int[] overflows) {
        try {
            failing.call();
        } catch (StackOverflowError inTheCall) {
            ++overflows[0];
            throw inTheCall;
        } catch (Exception expected) {
            // The bridge's exception: there was room for it.
        }
        dive(failing, overflows);
    }

    /**
     * Calls the native with the heap full; returns what the call threw (null for nothing).
     * The filling holds its blocks in a chain through the blocks themselves, so that no
     * step frees what an earlier one took; memory the collector still finds afterwards can
     * leave room for the bridge's exception, and then the heap is filled again and the call
     * repeated, a few times.
     */
    public static Throwable withFullHeap(Failing failing) {
        Object[] chain = null;
        Throwable thrown = null;
        // Linked now: linking it with the heap full would fail.
        Reference.reachabilityFence(chain);
        try {
            for (int attempt = 0; attempt < 20 && !(thrown instanceof OutOfMemoryError); ++attempt) {
                for (int size = 1 << 17; size >= 1; ) {
                    try {
                        Object[] block = new Object[size];
                        block[0] = chain;
                        chain = block;
                    } catch (OutOfMemoryError full) {
                        size /= 2;
                    }
                }
                thrown = null;
                try {
                    failing.call();
                } catch (Throwable any) {
                    thrown = any;
                }
            }
        } finally {
            Reference.reachabilityFence(chain);
        }
        return thrown;
    }
}
