package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventInputs;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventOutputs;
import com.olvenmark.tollmere.plugin.PluginException;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * Releases racing events that native threads deliver: args[0] "other" releases from this
 * Java thread while four native threads deliver, "self" from inside one of the deliveries.
 * No event may reach the listener once its Release has returned, and the JVM must go on.
 * Prints "late N, cut short M of R" (events after a Release, rounds the Release cut short).
 */
public final class ReleaseRaceChild {
    private ReleaseRaceChild() {}

    static final int ROUNDS = 20;
    static final int THREADS = 4;
    static final int PER_THREAD = 2000;

    static final class Racing extends Destination {
        final long listener;
        final boolean releasesItself;
        final AtomicInteger heard = new AtomicInteger();
        final AtomicBoolean releasing = new AtomicBoolean();
        final AtomicInteger late;
        volatile boolean released;

        Racing(boolean releasesItself, AtomicInteger late) throws PluginException {
            super();
            this.releasesItself = releasesItself;
            this.late = late;
            listener = TLMdestinationAddListener(getHandle());
        }

        void release() throws PluginException {
            TLMdestinationRelease(getHandle(), listener);
            released = true;
        }

        private void heard() {
            if (released) {
                late.incrementAndGet();
            }
            if (heard.incrementAndGet() == 50 && releasesItself && releasing.compareAndSet(false, true)) {
                try {
                    release();
                } catch (PluginException failed) {
                    throw new IllegalStateException(failed);
                }
            }
        }

        @Override
        public void messageReceived(DestinationMessageReceivedEventInputs inputs,
                                    DestinationMessageReceivedEventOutputs outputs) {
            heard();
        }

        @Override
        public void disconnected() {
            heard();
        }
    }

    public static void main(String[] args) throws Exception {
        boolean self = args[0].equals("self");
        AtomicInteger late = new AtomicInteger();
        int cut = 0;
        for (int round = 0; round < ROUNDS; ++round) {
            Racing racing = new Racing(self, late);
            long handle = racing.getHandle();
            int event = round % 2 == 0 ? StandIn.DESTINATION_MESSAGE_RECEIVED : StandIn.DESTINATION_DISCONNECTED;
            int[] made = {0};
            Thread firing = new Thread(() -> made[0] = StandIn.fire(event, handle, StandIn.THREADS, THREADS, PER_THREAD));
            firing.start();
            if (!self) {
                while (racing.heard.get() < 50 && firing.isAlive()) {
                    Thread.onSpinWait();
                }
                racing.release();
            }
            firing.join();
            if (made[0] < THREADS * PER_THREAD) {
                ++cut;
            }
            if (made[0] != racing.heard.get()) {
                throw new AssertionError("callbacks made " + made[0] + ", heard " + racing.heard.get());
            }
        }
        System.out.println("late " + late.get() + ", cut short " + cut + " of " + ROUNDS);
    }
}
