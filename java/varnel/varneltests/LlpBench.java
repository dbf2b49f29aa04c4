package varneltests;

import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpClientListener;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.ArrayBlockingQueue;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.TimeUnit;

/**
 * The Java side of the LLP benchmark (benchmarks/LLPjavaBenchmark.cpp): one LlpServer that
 * echoes every message, and sets of LlpClients that each send one message and wait for its
 * echo, all at once, a number of times.
 */
public final class LlpBench {
    private LlpBench() {}

    static LlpServer server;
    static final Map<Integer, List<Client>> clients = new HashMap<>();

    static final class Client implements LlpClientListener {
        final LlpClient client = new LlpClient();
        final BlockingQueue<String> echoes = new ArrayBlockingQueue<>(16);

        Client(int port) throws InterruptedException {
            client.setListener(this);
            client.connect("127.0.0.1", port);
            long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(10);
            while (!client.isConnected() && System.nanoTime() < deadline) {
                Thread.sleep(1);
            }
        }

        public void connected() {}
        public void closed() {}
        public void messageReceived(String message) {
            echoes.add(message);
        }
        public void dataIgnored(String data) {}
        public void errorReceived(String text, int code) {}
    }

    public static void start() {
        server = new LlpServer();
        server.setListener(new LlpServerListener() {
            public void errorReceived(String text, int code) {}
            public void clientConnected(LlpConnection connection) {}
            public void clientDisconnected(LlpConnection connection) {}
            public void clientErrorReceived(LlpConnection connection, String text, int code) {}
            public void messageReceived(LlpConnection connection, String message) {
                connection.sendMessage(message);
            }
            public void dataIgnored(LlpConnection connection, String data) {}
        });
        server.startListen(0);
    }

    /**
     * Each of the connections sends count messages of the size, one at a time; returns the
     * median round trip in nanoseconds, or -1 when an echo was lost or changed.
     */
    public static long run(int connections, int size, int count) throws Exception {
        List<Client> set = clients.get(connections);
        if (set == null) {
            set = new ArrayList<>();
            for (int i = 0; i < connections; ++i) {
                set.add(new Client(server.port()));
            }
            clients.put(connections, set);
        }
        StringBuilder text = new StringBuilder("MSH|^~\\&|BENCH|");
        while (text.length() < size) {
            text.append('x');
        }
        final String message = text.toString();
        final long[] latencies = new long[connections * count];
        final boolean[] failed = {false};
        List<Thread> threads = new ArrayList<>();
        for (int c = 0; c < connections; ++c) {
            final Client client = set.get(c);
            final int at = c * count;
            Thread thread = new Thread(() -> {
                try {
                    for (int i = 0; i < count; ++i) {
                        long start = System.nanoTime();
                        client.client.sendMessage(message);
                        String echo = client.echoes.poll(10, TimeUnit.SECONDS);
                        latencies[at + i] = System.nanoTime() - start;
                        if (!message.equals(echo)) {
                            failed[0] = true;
                            return;
                        }
                    }
                } catch (Exception stopped) {
                    failed[0] = true;
                }
            });
            threads.add(thread);
            thread.start();
        }
        for (Thread thread : threads) {
            thread.join();
        }
        if (failed[0]) {
            return -1;
        }
        Arrays.sort(latencies);
        return latencies[latencies.length / 2];
    }

    public static void stop() {
        for (List<Client> set : clients.values()) {
            for (Client client : set) {
                client.client.close();
                client.client.release();
            }
        }
        clients.clear();
        server.release();
    }
}
