package varneltests;

import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;
import java.net.InetAddress;
import java.net.Socket;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.Callable;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;

/**
 * A server's life in one class loader of harness.Redeploy (with the varnel package): a
 * client connects over loopback and goes, and the server's listener hears both on the
 * stand-in's I/O threads, each with an LlpConnection of this loader's class; then the
 * server is released. The result lists what the listener heard.
 */
public final class RedeployedLlp implements Callable<String> {
    final BlockingQueue<String> heard = new LinkedBlockingQueue<>();

    final class Listener implements LlpServerListener {
        private void heard(String event, LlpConnection connection) {
            boolean ours = connection.getClass().getClassLoader() == RedeployedLlp.class.getClassLoader();
            heard.add(event + (ours ? " (this loader's connection)" : " (a connection of another loader)"));
        }

        @Override
        public void errorReceived(String text, int code) {
            heard.add("error " + code);
        }

        @Override
        public void clientConnected(LlpConnection connection) {
            heard("connected", connection);
        }

        @Override
        public void clientDisconnected(LlpConnection connection) {
            heard("disconnected", connection);
        }

        @Override
        public void clientErrorReceived(LlpConnection connection, String text, int code) {
            heard("client error " + code, connection);
        }

        @Override
        public void messageReceived(LlpConnection connection, String message) {
            heard("message", connection);
        }

        @Override
        public void dataIgnored(LlpConnection connection, String data) {
            heard("ignored", connection);
        }
    }

    private String next() throws InterruptedException {
        String event = heard.poll(30, TimeUnit.SECONDS);
        return event == null ? "nothing" : event;
    }

    @Override
    public String call() throws Exception {
        Jdk.accept();
        LlpServer server = new LlpServer();
        try {
            server.setListener(new Listener());
            server.startListen(0);
            Socket client = new Socket(InetAddress.getLoopbackAddress(), server.port());
            String connected = next();
            client.close();
            return connected + ", " + next();
        } finally {
            server.release();
        }
    }
}
