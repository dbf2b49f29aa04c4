package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.atomic.AtomicBoolean;

/**
 * The Java side of the listener benchmarks of benchmarks/LLPjavaBenchmark.cpp: an add and
 * a release of one listener (its object kept by a reference of the benchmark's own) with
 * so many other listeners live, and the latency of an engine's log lines while another
 * thread adds and releases listeners of other objects.
 */
public final class ListenerBench {
    private ListenerBench() {}

    /** The live listeners: servers, each registered with the library. */
    static final List<LlpServer> LIVE = new ArrayList<>();
    static LlpServer server;
    static Engine engine;
    static Engine logged;
    static long lines;
    static final byte[] LINE = "MSH|^~\\&|LOG|".getBytes(StandardCharsets.UTF_8);
    static final LlpServerListener DEAF = new LlpServerListener() {
        public void errorReceived(String text, int code) {}
        public void clientConnected(LlpConnection connection) {}
        public void clientDisconnected(LlpConnection connection) {}
        public void clientErrorReceived(LlpConnection connection, String text, int code) {}
        public void messageReceived(LlpConnection connection, String message) {}
        public void dataIgnored(LlpConnection connection, String data) {}
    };

    /** So many live listeners of other objects, besides the ones below. */
    public static void setLive(int count) {
        Jdk.accept();
        while (LIVE.size() < count) {
            LlpServer live = new LlpServer();
            live.setListener(DEAF);
            LIVE.add(live);
        }
        while (LIVE.size() > count) {
            LIVE.remove(LIVE.size() - 1).release();
        }
        if (server == null) {
            server = new LlpServer();
            engine = new Engine();
            logged = new Engine();
            logged.setLogListener(line -> ++lines);
        }
    }

    /** count adds and releases of a listener of the kind (0 a server, 1 an engine), in ns. */
    public static long timeAddRelease(int kind, int count) {
        long start = System.nanoTime();
        if (kind == 0) {
            long h = server.handle();
            for (int i = 0; i < count; ++i) {
                server.VRNlistenerAddRef(h);
                server.VRNlistenerRelease(h, server.VRNlistenerAddListener(h));
            }
        } else {
            long h = engine.handle();
            for (int i = 0; i < count; ++i) {
                engine.VRNengineAddRef(h);
                engine.VRNengineRelease(h, engine.VRNengineAddListener(h));
            }
        }
        return System.nanoTime() - start;
    }

    /**
     * count log lines of one engine, each timed from the call that logs it to its return
     * (the listener has heard it by then), while another thread adds and releases a server's
     * listener over and over, or does nothing. The median, the 99.9th percentile and the
     * worst, in ns; null when a line was not heard.
     */
    public static long[] logLatency(int count, boolean changing) throws InterruptedException {
        AtomicBoolean stop = new AtomicBoolean();
        Thread changer = new Thread(() -> {
            while (!stop.get()) {
                timeAddRelease(0, 10);
            }
        }, "changer");
        if (changing) {
            changer.start();
        }
        long[] took = new long[count];
        long before = lines;
        long h = logged.handle();
        for (int i = 0; i < count; ++i) {
            long start = System.nanoTime();
            StandIn.log(h, LINE);
            took[i] = System.nanoTime() - start;
        }
        stop.set(true);
        if (changing) {
            changer.join();
        }
        if (lines - before != count) {
            return null;
        }
        Arrays.sort(took);
        return new long[] {took[count / 2], took[count - 1 - count / 1000], took[count - 1]};
    }
}
