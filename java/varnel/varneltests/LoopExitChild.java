package varneltests;

import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpClientListener;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;

import java.nio.charset.StandardCharsets;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;

/**
 * A child JVM that ends with System.exit(3) while one thread waits inside the server's
 * message loop and another inside the client's. Each loop is known to run once an event
 * raised on a stand-in thread has come on the loop's own thread.
 */
public final class LoopExitChild {
    private LoopExitChild() {}

    public static void main(String[] args) throws Exception {
        LlpServer server = new LlpServer();
        LlpClient client = new LlpClient();
        Thread serverLoop = new Thread(server::runMessageLoop, "server-loop");
        Thread clientLoop = new Thread(client::runMessageLoop, "client-loop");
        CountDownLatch serverInside = new CountDownLatch(1);
        CountDownLatch clientInside = new CountDownLatch(1);
        server.setListener(new LlpServerListener() {
            public void errorReceived(String text, int code) {
                if (Thread.currentThread() == serverLoop) serverInside.countDown();
            }
            public void clientConnected(LlpConnection connection) {}
            public void clientDisconnected(LlpConnection connection) {}
            public void clientErrorReceived(LlpConnection connection, String text, int code) {}
            public void messageReceived(LlpConnection connection, String message) {}
            public void dataIgnored(LlpConnection connection, String data) {}
        });
        client.setListener(new LlpClientListener() {
            public void connected() {}
            public void closed() {}
            public void messageReceived(String message) {}
            public void dataIgnored(String data) {}
            public void errorReceived(String text, int code) {
                if (Thread.currentThread() == clientLoop) clientInside.countDown();
            }
        });
        serverLoop.start();
        clientLoop.start();
        byte[] probe = "probe".getBytes(StandardCharsets.US_ASCII);
        while (!serverInside.await(10, TimeUnit.MILLISECONDS)) {
            SockStandIn.listenerEvent(server.handle(), "listenerError", 0, probe, 0, true);
        }
        while (!clientInside.await(10, TimeUnit.MILLISECONDS)) {
            SockStandIn.clientEvent(client.handle(), "error", probe, 0, true);
        }
        System.out.print("inside both loops");
        System.exit(3);
    }
}
