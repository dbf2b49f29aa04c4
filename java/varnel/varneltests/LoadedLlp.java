package varneltests;

import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpServer;

import java.io.OutputStream;
import java.net.InetAddress;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;

/**
 * Every event kind of a server, its connections and a client, with no message loop
 * running: the real ones come on the sockmod2 stand-in's I/O threads, the others are
 * raised on threads of the stand-in's own; none on a thread the JVM knew. Loaded by
 * LoaderChild's class loader together with the varnel classes. Its result lists, one line
 * each, the events heard, in the order this scenario waited for them.
 */
public final class LoadedLlp implements Callable<String> {
    /** A character beyond U+FFFF after bytes that are no UTF-8, as it must reach Java. */
    static final byte[] DAMAGED = {'x', (byte) 0xFF, (byte) 0xF0, (byte) 0x9F, (byte) 0x98, (byte) 0x80};
    static final String REPAIRED = "x\ufffd\ud83d\ude00";

    final List<String> heard = new ArrayList<>();
    final Thread caller = Thread.currentThread();

    /** A recorder that marks an event delivered on the thread that runs the scenario. */
    final class Side extends LlpSuite.Recorder {
        final String name;

        Side(String name) {
            this.name = name;
        }

        @Override
        void heard(String event) {
            super.heard(Thread.currentThread() == caller ? event + " ON THE CALLER" : event);
        }

        void await(String event) throws InterruptedException {
            heard.add(name + ": " + awaiting(event));
        }
    }

    static void write(Socket socket, String text) throws Exception {
        OutputStream out = socket.getOutputStream();
        out.write(text.getBytes(StandardCharsets.ISO_8859_1));
        out.flush();
    }

    @Override
    public String call() throws Exception {
        Side serverSide = new Side("server");
        serverSide.echo = true;
        Side clientSide = new Side("client");
        LlpServer server = new LlpServer();
        server.setListener(serverSide);
        server.startListen(0);
        LlpClient client = new LlpClient();
        client.setListener(clientSide);
        client.connect("127.0.0.1", server.port());
        clientSide.await("connected");
        serverSide.await("connected 127.0.0.1");
        client.sendMessage("MSH|1");
        serverSide.await("message MSH|1");
        clientSide.await("message MSH|1");
        try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
            serverSide.await("connected 127.0.0.1");
            write(raw, "junk" + LlpSuite.START + "MSH|2" + LlpSuite.END);
            serverSide.await("ignored junk");
            serverSide.await("message MSH|2");
        }
        serverSide.await("disconnected");
        long connection = serverSide.connections.values().iterator().next().handle();
        SockStandIn.listenerEvent(server.handle(), "listenerError", 0, DAMAGED, 7, true);
        serverSide.await("error " + REPAIRED + " 7");
        SockStandIn.listenerEvent(server.handle(), "connectionError", connection, DAMAGED, 104, true);
        serverSide.await("clientError " + REPAIRED + " 104");
        SockStandIn.clientEvent(client.handle(), "ignoredData", DAMAGED, 0, true);
        clientSide.await("ignored " + REPAIRED);
        SockStandIn.clientEvent(client.handle(), "error", DAMAGED, 3, true);
        clientSide.await("error " + REPAIRED + " 3");
        client.close();
        clientSide.await("closed");
        serverSide.await("disconnected");
        client.release();
        server.release();
        return String.join("\n", heard) + "\n";
    }
}
