package harness;

import java.util.ArrayList;
import java.util.List;

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

    /** Calls the native once with the heap full; returns what the call threw (null for nothing). */
    public static Throwable withFullHeap(Failing failing) {
        List<Object> filler = new ArrayList<>();
        Throwable thrown = null;
        try {
            for (int size = 1 << 20; size >= 1; ) {
                try {
                    filler.add(new long[size]);
                } catch (OutOfMemoryError full) {
                    size /= 2;
                }
            }
            try {
                failing.call();
            } catch (Throwable any) {
                thrown = any;
            }
        } finally {
            filler.clear();
        }
        return thrown;
    }
}
