package varneltests;

import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpClientListener;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;

import java.io.OutputStream;
import java.net.InetAddress;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.Callable;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;

/**
 * Every event kind of a server, its connections and a client, with no message loop
 * running: the real ones come on the sockmod2 stand-in's I/O threads, the others are
 * raised on threads of the stand-in's own; none on a thread the JVM knew. Loaded by
 * LoaderChild's class loader together with the varnel classes. Its result lists, one line
 * each, the events heard, in the order this scenario waited for them.
 */
public final class LoadedLlp implements Callable<String> {
    static final String START = "\u000b";
    static final String END = "\u001c\r";
    /** A character beyond U+FFFF after bytes that are no UTF-8, as it must reach Java. */
    static final byte[] DAMAGED = {'x', (byte) 0xFF, (byte) 0xF0, (byte) 0x9F, (byte) 0x98, (byte) 0x80};
    static final String REPAIRED = "x\ufffd\ud83d\ude00";

    final BlockingQueue<String> events = new LinkedBlockingQueue<>();
    final List<String> heard = new ArrayList<>();
    final Thread caller = Thread.currentThread();
    volatile LlpConnection accepted;

    void event(String text) {
        events.add(Thread.currentThread() == caller ? text + " ON THE CALLER" : text);
    }

    /** Waits for the event; the others that come first are kept for later waits. */
    void await(String expected) throws InterruptedException {
        List<String> others = new ArrayList<>();
        try {
            while (true) {
                String next = events.poll(10, TimeUnit.SECONDS);
                if (next == null) {
                    throw new AssertionError("no " + expected + " came; heard " + heard + ", then " + others);
                }
                if (next.equals(expected)) {
                    heard.add(next);
                    return;
                }
                others.add(next);
            }
        } finally {
            events.addAll(others);
        }
    }

    static void write(Socket socket, String text) throws Exception {
        OutputStream out = socket.getOutputStream();
        out.write(text.getBytes(StandardCharsets.ISO_8859_1));
        out.flush();
    }

    @Override
    public String call() throws Exception {
        LlpServer server = new LlpServer();
        server.setListener(new ServerSide());
        server.startListen(0);
        LlpClient client = new LlpClient();
        client.setListener(new ClientSide());
        client.connect("127.0.0.1", server.port());
        await("connected");
        await("server: connected 127.0.0.1");
        client.sendMessage("MSH|1");
        await("server: message MSH|1");
        await("client: message echo MSH|1");
        try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
            await("server: connected 127.0.0.1");
            write(raw, "junk" + START + "MSH|2" + END);
            await("server: ignored junk");
            await("server: message MSH|2");
        }
        await("server: disconnected");
        long connection = accepted.handle();
        SockStandIn.listenerEvent(server.handle(), "listenerError", 0, DAMAGED, 7, true);
        await("server: error " + REPAIRED + " 7");
        SockStandIn.listenerEvent(server.handle(), "connectionError", connection, DAMAGED, 104, true);
        await("server: connection error " + REPAIRED + " 104");
        SockStandIn.clientEvent(client.handle(), "ignoredData", DAMAGED, 0, true);
        await("client: ignored " + REPAIRED);
        SockStandIn.clientEvent(client.handle(), "error", DAMAGED, 3, true);
        await("client: error " + REPAIRED + " 3");
        client.close();
        await("closed");
        await("server: disconnected");
        client.release();
        server.release();
        return String.join("\n", heard) + "\n";
    }

    final class ServerSide implements LlpServerListener {
        @Override
        public void errorReceived(String text, int code) {
            event("server: error " + text + " " + code);
        }

        @Override
        public void clientConnected(LlpConnection connection) {
            accepted = connection;
            event("server: connected " + connection.remoteIpAddressAsString());
        }

        @Override
        public void clientDisconnected(LlpConnection connection) {
            event("server: disconnected");
        }

        @Override
        public void clientErrorReceived(LlpConnection connection, String text, int code) {
            event("server: connection error " + text + " " + code);
        }

        @Override
        public void messageReceived(LlpConnection connection, String message) {
            event("server: message " + message);
            connection.sendMessage("echo " + message);
        }

        @Override
        public void dataIgnored(LlpConnection connection, String data) {
            event("server: ignored " + data);
        }
    }

    final class ClientSide implements LlpClientListener {
        @Override
        public void connected() {
            event("connected");
        }

        @Override
        public void closed() {
            event("closed");
        }

        @Override
        public void messageReceived(String message) {
            event("client: message " + message);
        }

        @Override
        public void dataIgnored(String data) {
            event("client: ignored " + data);
        }

        @Override
        public void errorReceived(String text, int code) {
            event("client: error " + text + " " + code);
        }
    }
}
