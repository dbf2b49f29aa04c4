package varneltests;

import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpClientListener;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;

import java.io.ByteArrayOutputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.net.InetAddress;
import java.net.ServerSocket;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import java.util.concurrent.ArrayBlockingQueue;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.SynchronousQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicInteger;

/**
 * The Java side of the LLP benchmark (benchmarks/LLPjavaBenchmark.cpp): an MLLP echo on
 * loopback over one of three roads, with one persistent sender thread per connection that
 * sends a message, waits for its echo and times that round trip.
 *
 * <ul>
 * <li>{@link #JAVA_SOCKETS}: plain java.net sockets, a server thread per connection; the floor.
 * <li>{@link #MESSAGE_LOOP}: LlpServer and LlpClients over sockmod2, with a Java thread in the
 *     server's and one in the client's message loop receiving every event.
 * <li>{@link #IO_THREADS}: the same without loops: the stand-in's I/O threads deliver each
 *     event, attached to the JVM for that event and detached after it.
 * </ul>
 *
 * prepare sets a road up and warms it (not timed), run is one timed round of round trips,
 * median reads the round trips timed since prepare, finish takes the road down.
 */
public final class LlpBench {
    public static final int JAVA_SOCKETS = 0, MESSAGE_LOOP = 1, IO_THREADS = 2;
    static final long WAIT_SECONDS = 30;
    static final int WARM_UP = 20;

    private LlpBench() {}

    /** One connection's round trip: sends the message and returns its echo, or null. */
    interface Peer {
        String echo(String message) throws Exception;
    }

    /** The connections of a road, and what takes it down. */
    interface Road {
        List<Peer> peers();
        void close() throws Exception;
    }

    /** A persistent thread that runs rounds of round trips for one connection. */
    static final class Sender implements Runnable {
        final Peer peer;
        final Thread thread;
        final SynchronousQueue<Integer> rounds = new SynchronousQueue<>();
        long[] latencies = new long[1024];
        int recorded;
        volatile CountDownLatch done;
        volatile boolean failed;

        Sender(Peer peer, int index) {
            this.peer = peer;
            thread = new Thread(this, "llp-bench-sender-" + index);
            thread.setDaemon(true);
            thread.start();
        }

        public void run() {
            try {
                for (;;) {
                    int count = rounds.take();
                    if (count < 0) {
                        return;
                    }
                    boolean timed = count > 0;
                    for (int i = 0; i < (timed ? count : WARM_UP) && !failed; ++i) {
                        long start = System.nanoTime();
                        String echo = peer.echo(message);
                        long took = System.nanoTime() - start;
                        if (!message.equals(echo)) {
                            failed = true;
                        } else if (timed) {
                            if (recorded == latencies.length) {
                                latencies = Arrays.copyOf(latencies, recorded * 2);
                            }
                            latencies[recorded++] = took;
                        }
                    }
                    done.countDown();
                }
            } catch (Exception stopped) {
                failed = true;
                done.countDown();
            }
        }
    }

    static Road road;
    static List<Sender> senders = new ArrayList<>();
    static String message;

    /** Sets up the road with its connections and senders, and warms it up; false on failure. */
    public static boolean prepare(int kind, int connections, int size) throws Exception {
        StringBuilder text = new StringBuilder("MSH|^~\\&|BENCH|");
        while (text.length() < size) {
            text.append((char) ('a' + text.length() % 26));
        }
        message = text.toString();
        road = kind == JAVA_SOCKETS ? new JavaSockets(connections) : new Bridge(connections, kind == MESSAGE_LOOP);
        senders = new ArrayList<>();
        for (Peer peer : road.peers()) {
            senders.add(new Sender(peer, senders.size()));
        }
        return round(0);
    }

    /** Each sender makes count round trips, all at once; false when an echo was lost or changed. */
    public static boolean run(int count) throws Exception {
        return round(count);
    }

    static boolean round(int count) throws Exception {
        CountDownLatch done = new CountDownLatch(senders.size());
        for (Sender sender : senders) {
            sender.done = done;
            sender.rounds.put(count);
        }
        if (!done.await(WAIT_SECONDS * 4, TimeUnit.SECONDS)) {
            return false;
        }
        for (Sender sender : senders) {
            if (sender.failed) {
                return false;
            }
        }
        return !(road instanceof Bridge) || ((Bridge) road).onTheirRoad();
    }

    /** The median of the round trips timed since prepare, in nanoseconds. */
    public static long median() {
        int total = 0;
        for (Sender sender : senders) {
            total += sender.recorded;
        }
        long[] all = new long[total];
        int at = 0;
        for (Sender sender : senders) {
            System.arraycopy(sender.latencies, 0, all, at, sender.recorded);
            at += sender.recorded;
        }
        Arrays.sort(all);
        return total == 0 ? -1 : all[total / 2];
    }

    public static void finish() throws Exception {
        for (Sender sender : senders) {
            sender.rounds.put(-1);
            sender.thread.join();
        }
        senders.clear();
        road.close();
        road = null;
    }

    // What one call costs on the calling thread, each timed over count calls, in nanoseconds:
    // the JNI floor (a native that does nothing, registered by the benchmark program, and an
    // upcall of a static method that does nothing, made count times from C++), and the
    // bridge's own over the stand-in (a plain native, LlpServer.port(); an event raised by
    // hand on this thread, which reaches a listener through the bridge: one native call that
    // makes one callback).

    static native void emptyNative();
    static native long timeUpcalls(int count);

    public static void emptyUpcall() {}

    static LlpServer callServer;
    static LlpClient callClient;
    static long callConnection;
    static long callbacks;
    static final byte[] CALLBACK_TEXT = "MSH|^~\\&|CALL|".getBytes(StandardCharsets.UTF_8);

    /** A listening server with one connection and a listener that counts messages; false on failure. */
    public static boolean prepareCalls() throws Exception {
        callServer = new LlpServer();
        callServer.setListener(new LlpServerListener() {
            public void errorReceived(String text, int code) {}
            public void clientConnected(LlpConnection connection) {}
            public void clientDisconnected(LlpConnection connection) {}
            public void clientErrorReceived(LlpConnection connection, String text, int code) {}
            public void messageReceived(LlpConnection connection, String message) {
                ++callbacks;
            }
            public void dataIgnored(LlpConnection connection, String data) {}
        });
        callServer.startListen(0);
        callClient = new LlpClient();
        callClient.connect("127.0.0.1", callServer.port());
        long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
        while (callServer.countOfConnection() == 0 && System.nanoTime() < deadline) {
            Thread.sleep(1);
        }
        if (callServer.countOfConnection() == 0) {
            return false;
        }
        callConnection = callServer.connection(0).handle();
        return true;
    }

    public static void finishCalls() {
        callClient.close();
        callClient.release();
        callServer.release();
        callServer = null;
        callClient = null;
    }

    public static long timeEmptyNative(int count) {
        long start = System.nanoTime();
        for (int i = 0; i < count; ++i) {
            emptyNative();
        }
        return System.nanoTime() - start;
    }

    public static long timeBridgeNative(int count) {
        int port = callServer.port();
        long start = System.nanoTime();
        for (int i = 0; i < count; ++i) {
            if (callServer.port() != port) {
                return -1;
            }
        }
        return System.nanoTime() - start;
    }

    /** -1 when a callback did not come. */
    public static long timeBridgeCallback(int count) {
        return timeCallbacks(count, false);
    }

    /** The same raised on a native thread, which the bridge attaches for each event. */
    public static long timeBridgeCallbackFromWorker(int count) {
        return timeCallbacks(count, true);
    }

    private static long timeCallbacks(int count, boolean fromWorker) {
        long before = callbacks;
        long start = System.nanoTime();
        for (int i = 0; i < count; ++i) {
            SockStandIn.listenerEvent(callServer.handle(), "message", callConnection, CALLBACK_TEXT, 0, fromWorker);
        }
        long took = System.nanoTime() - start;
        return callbacks - before == count ? took : -1;
    }

    // The floor: MLLP over plain sockets, as a Java program would write it without the bridge.

    static final byte START = 0x0B, END = 0x1C, CR = 0x0D;

    /** Reads MLLP frames off a stream through a buffer of its own. */
    static final class FrameReader {
        final InputStream in;
        final byte[] buffer = new byte[64 * 1024];
        int at, filled;
        final ByteArrayOutputStream frame = new ByteArrayOutputStream();

        FrameReader(InputStream in) {
            this.in = in;
        }

        /** The next frame's content, or null at the end of the stream. */
        byte[] next() throws IOException {
            frame.reset();
            boolean inFrame = false;
            for (;;) {
                if (at == filled) {
                    filled = in.read(buffer);
                    at = 0;
                    if (filled <= 0) {
                        filled = 0;
                        return null;
                    }
                }
                if (!inFrame) {
                    while (at < filled && buffer[at] != START) {
                        ++at;
                    }
                    if (at == filled) {
                        continue;
                    }
                    ++at;
                    inFrame = true;
                }
                int from = at;
                while (at < filled && buffer[at] != END) {
                    ++at;
                }
                frame.write(buffer, from, at - from);
                if (at < filled) {
                    ++at;  // the END; the CR after it is skipped with the bytes before the next START
                    return frame.toByteArray();
                }
            }
        }
    }

    static byte[] framed(byte[] content) {
        byte[] frame = new byte[content.length + 3];
        frame[0] = START;
        System.arraycopy(content, 0, frame, 1, content.length);
        frame[content.length + 1] = END;
        frame[content.length + 2] = CR;
        return frame;
    }

    static final class JavaSockets implements Road {
        final ServerSocket listener = new ServerSocket(0, 128, InetAddress.getLoopbackAddress());
        final List<Socket> sockets = new ArrayList<>();
        final List<Thread> echoes = new ArrayList<>();
        final List<Peer> peers = new ArrayList<>();

        JavaSockets(int connections) throws Exception {
            for (int i = 0; i < connections; ++i) {
                Socket client = new Socket(InetAddress.getLoopbackAddress(), listener.getLocalPort());
                Socket served = listener.accept();
                client.setTcpNoDelay(true);
                served.setTcpNoDelay(true);
                sockets.add(client);
                sockets.add(served);
                Thread echo = new Thread(() -> {
                    try {
                        FrameReader reader = new FrameReader(served.getInputStream());
                        OutputStream out = served.getOutputStream();
                        for (byte[] content; (content = reader.next()) != null;) {
                            out.write(framed(content));
                        }
                    } catch (IOException closed) {
                        // the benchmark ended the connection
                    }
                }, "llp-bench-java-echo-" + i);
                echo.setDaemon(true);
                echo.start();
                echoes.add(echo);
                FrameReader reader = new FrameReader(client.getInputStream());
                OutputStream out = client.getOutputStream();
                peers.add(message -> {
                    out.write(framed(message.getBytes(StandardCharsets.UTF_8)));
                    byte[] echo2 = reader.next();
                    return echo2 == null ? null : new String(echo2, StandardCharsets.UTF_8);
                });
            }
        }

        public List<Peer> peers() {
            return peers;
        }

        public void close() throws Exception {
            for (Socket socket : sockets) {
                socket.close();
            }
            for (Thread echo : echoes) {
                echo.join();
            }
            listener.close();
        }
    }

    // The bridge: LlpServer echoing, LlpClients sending, on either road of the events.

    static final class Bridge implements Road, LlpServerListener {
        final LlpServer server = new LlpServer();
        final List<LlpClient> clients = new ArrayList<>();
        final List<Peer> peers = new ArrayList<>();
        final boolean loops;
        Thread serverLoop, clientLoop;
        final AtomicInteger offRoad = new AtomicInteger();

        Bridge(int connections, boolean loops) throws Exception {
            this.loops = loops;
            server.setListener(this);
            server.startListen(0);
            if (loops) {
                serverLoop = new Thread(server::runMessageLoop, "llp-bench-server-loop");
                serverLoop.start();
            }
            for (int i = 0; i < connections; ++i) {
                LlpClient client = new LlpClient();
                BlockingQueue<String> echoes = new ArrayBlockingQueue<>(4);
                client.setListener(new LlpClientListener() {
                    public void connected() {}
                    public void closed() {}
                    public void messageReceived(String echo) {
                        check(clientLoop);
                        echoes.add(echo);
                    }
                    public void dataIgnored(String data) {}
                    public void errorReceived(String text, int code) {}
                });
                if (loops && clientLoop == null) {
                    clientLoop = new Thread(client::runMessageLoop, "llp-bench-client-loop");
                    clientLoop.start();
                }
                client.connect("127.0.0.1", server.port());
                long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
                while (!client.isConnected() && System.nanoTime() < deadline) {
                    Thread.sleep(1);
                }
                clients.add(client);
                peers.add(message -> {
                    client.sendMessage(message);
                    return echoes.poll(WAIT_SECONDS, TimeUnit.SECONDS);
                });
            }
            if (loops) {
                // Events that come before a loop runs go out on the I/O threads: echo until
                // both loops have delivered one, then count any event off the loops as a fault.
                Peer first = peers.get(0);
                long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
                do {
                    offRoad.set(0);
                    first.echo("warm");
                } while (offRoad.get() != 0 && System.nanoTime() < deadline);
            }
            offRoad.set(0);
        }

        void check(Thread loop) {
            if (loops && Thread.currentThread() != loop) {
                offRoad.incrementAndGet();
            }
        }

        boolean onTheirRoad() {
            return offRoad.get() == 0;
        }

        public List<Peer> peers() {
            return peers;
        }

        public void close() throws Exception {
            if (loops) {
                server.stopMessageLoop();
                clients.get(0).stopMessageLoop();
                serverLoop.join();
                clientLoop.join();
            }
            for (LlpClient client : clients) {
                client.close();
                client.release();
            }
            server.release();
        }

        public void errorReceived(String text, int code) {}
        public void clientConnected(LlpConnection connection) {}
        public void clientDisconnected(LlpConnection connection) {}
        public void clientErrorReceived(LlpConnection connection, String text, int code) {}
        public void messageReceived(LlpConnection connection, String message) {
            check(serverLoop);
            connection.sendMessage(message);
        }
        public void dataIgnored(LlpConnection connection, String data) {}
    }
}
