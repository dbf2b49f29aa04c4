package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventInputs;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventOutputs;
import com.olvenmark.tollmere.plugin.LogQuery;
import com.olvenmark.tollmere.plugin.PluginException;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.atomic.AtomicLong;

/** The Java half of benchmarks/TLMjavaBenchmark.cpp, which runs it in a JVM of its own. */
public final class Bench {
    private Bench() {}

    static final AtomicLong RECEIVED = new AtomicLong();

    /** A listener that only counts, so that the callback's own cost shows. */
    static final class CountingDestination extends Destination {
        CountingDestination() throws PluginException {
            super();
        }

        @Override
        public void messageReceived(DestinationMessageReceivedEventInputs inputs,
                                    DestinationMessageReceivedEventOutputs outputs) {
            RECEIVED.incrementAndGet();
        }
    }

    static CountingDestination destination;
    static long listener;

    /** A destination with one counting listener; returns its handle. */
    public static long listen() throws PluginException {
        destination = new CountingDestination();
        listener = destination.TLMdestinationAddListener(destination.getHandle());
        return destination.getHandle();
    }

    /**
     * A listener whose events on its own destination only count, on its own field, kept
     * off the cache lines of the others' (the longs around it).
     */
    static final class OwnCountDestination extends Destination {
        long p0, p1, p2, p3, p4, p5, p6, p7;
        long disconnects;
        long q0, q1, q2, q3, q4, q5, q6, q7;

        OwnCountDestination() throws PluginException {
            super();
        }

        @Override
        public void disconnected() {
            ++disconnects;
        }
    }

    static OwnCountDestination[] own = new OwnCountDestination[0];
    static long[] ownListeners = new long[0];

    /** n destinations, each with a listener of its own; returns them, their tokens in ownTokens(). */
    public static Object[] listenEach(int n) throws PluginException {
        own = new OwnCountDestination[n];
        ownListeners = new long[n];
        for (int i = 0; i < n; ++i) {
            own[i] = new OwnCountDestination();
            ownListeners[i] = own[i].TLMdestinationAddListener(own[i].getHandle());
        }
        return own;
    }

    public static long[] ownTokens() {
        return ownListeners;
    }

    public static long ownDisconnects() {
        long total = 0;
        for (OwnCountDestination destination : own) {
            total += destination.disconnects;
        }
        return total;
    }

    public static void stopListeningEach() throws PluginException {
        for (int i = 0; i < own.length; ++i) {
            Destination.TLMdestinationRelease(own[i].getHandle(), ownListeners[i]);
        }
        own = new OwnCountDestination[0];
    }

    public static long received() {
        return RECEIVED.get();
    }

    public static void stopListening() throws PluginException {
        Destination.TLMdestinationRelease(destination.getHandle(), listener);
    }

    /** Reads a query's host n times through the native getter. */
    public static int readHosts(long query, int n) throws PluginException {
        int length = 0;
        for (int i = 0; i < n; ++i) {
            length += LogQuery.TLMlogQueryGetHost(query).length();
        }
        return length;
    }

    /** The peer: the JVM making the same String from the same UTF-8 bytes itself. */
    public static int decodeHosts(byte[] utf8, int n) {
        int length = 0;
        for (int i = 0; i < n; ++i) {
            length += new String(utf8, StandardCharsets.UTF_8).length();
        }
        return length;
    }
}
