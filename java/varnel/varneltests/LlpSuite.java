package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpClientListener;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.LlpServerListener;
import com.olvenmark.varnel.VarnelException;
import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.ClassTree;
import harness.Redeploy;
import harness.Suite;

import java.io.ByteArrayOutputStream;
import java.io.InputStream;
import java.io.OutputStream;
import java.lang.ref.WeakReference;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.net.InetAddress;
import java.net.Socket;
import java.net.SocketException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.BlockingQueue;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.CyclicBarrier;
import java.util.concurrent.LinkedBlockingQueue;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicBoolean;
import java.util.concurrent.atomic.AtomicInteger;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.Consumer;
import java.util.function.Predicate;
import java.util.function.Supplier;

/**
 * LlpServer, LlpConnection and LlpClient in a real JVM over the sockmod2 stand-in: the
 * natives as the table lists them, null strings, and LLP over loopback from Java, against
 * raw sockets, between the bridge's own server and client, and against the MLLP tools of
 * Debian's python3-hl7.
 */
public final class LlpSuite implements Suite {
    static final String START = "\u000b";
    static final String END = "\u001c\r";
    static final long WAIT_SECONDS = 10;

    static String message(String id) {
        return "MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|" + id + "|P|2.5\rEVN|A01\rPID|1||" + id + "\r";
    }

    static List<EngineSuite.Row> rows() {
        List<EngineSuite.Row> rows = new ArrayList<>();
        for (String line : StandIn.nativeTable()) {
            EngineSuite.Row row = new EngineSuite.Row(line);
            if (row.className.startsWith("Llp")) {
                rows.add(row);
            }
        }
        return rows;
    }

    static Class<?> classOf(EngineSuite.Row row) throws ClassNotFoundException {
        return Class.forName("com.olvenmark.varnel." + row.className);
    }

    static Object call(Object target, String name, Object... args) throws Throwable {
        for (Method m : target.getClass().getDeclaredMethods()) {
            if (m.getName().equals(name) && Modifier.isNative(m.getModifiers())) {
                try {
                    return m.invoke(target, args);
                } catch (InvocationTargetException thrown) {
                    throw thrown.getCause();
                }
            }
        }
        throw new AssertionError(target.getClass().getName() + " has no native " + name);
    }

    /** Every event a server or a client heard, in words, in the order it came. */
    static class Recorder implements LlpServerListener, LlpClientListener {
        final BlockingQueue<String> events = new LinkedBlockingQueue<>();
        final Map<String, LlpConnection> connections = new ConcurrentHashMap<>();
        volatile boolean echo;
        volatile boolean closed;
        final AtomicInteger afterClose = new AtomicInteger();

        void heard(String event) {
            if (closed) {
                afterClose.incrementAndGet();
            }
            events.add(event);
        }

        String next(String what) throws InterruptedException {
            String event = events.poll(WAIT_SECONDS, TimeUnit.SECONDS);
            if (event == null) {
                throw new AssertionError(what + ": no event came");
            }
            return event;
        }

        /** The next event that starts with the prefix; the others before it are dropped. */
        String awaiting(String prefix) throws InterruptedException {
            while (true) {
                String event = next("waiting for " + prefix);
                if (event.startsWith(prefix)) {
                    return event;
                }
            }
        }

        @Override
        public void errorReceived(String text, int code) {
            heard("error " + text + " " + code);
        }

        @Override
        public void clientConnected(LlpConnection connection) {
            connections.put(Integer.toString(connection.id()), connection);
            heard("connected " + connection.remoteIpAddressAsString());
        }

        @Override
        public void clientDisconnected(LlpConnection connection) {
            heard("disconnected");
        }

        @Override
        public void clientErrorReceived(LlpConnection connection, String text, int code) {
            heard("clientError " + text + " " + code);
        }

        @Override
        public void messageReceived(LlpConnection connection, String message) {
            heard("message " + message);
            if (echo) {
                try {
                    connection.sendMessage(message);
                } catch (VarnelException refused) {
                    heard("echo refused " + described(refused));
                }
            }
        }

        @Override
        public void dataIgnored(LlpConnection connection, String data) {
            heard("ignored " + data);
        }

        @Override
        public void connected() {
            heard("connected");
        }

        @Override
        public void closed() {
            heard("closed");
        }

        @Override
        public void messageReceived(String message) {
            heard("message " + message);
        }

        @Override
        public void dataIgnored(String data) {
            heard("ignored " + data);
        }
    }

    static LlpServer listening(Recorder recorder) {
        LlpServer server = new LlpServer();
        server.setListener(recorder);
        server.startListen(0);
        Check.isTrue(server.port() > 0, "a bound port");
        return server;
    }

    static LlpClient connected(Recorder recorder, int port) throws InterruptedException {
        LlpClient client = new LlpClient();
        client.setListener(recorder);
        try {
            client.connect("127.0.0.1", port);
        } catch (VarnelException refused) {
            throw new AssertionError("connect to " + port + ": " + described(refused), refused);
        }
        Check.equal("connected", recorder.awaiting("connected"), "the client's connected event");
        return client;
    }

    /** Reads from a raw socket until the text holds the part. */
    static String readUntil(Socket socket, String part) throws Exception {
        socket.setSoTimeout((int) TimeUnit.SECONDS.toMillis(WAIT_SECONDS));
        InputStream in = socket.getInputStream();
        ByteArrayOutputStream read = new ByteArrayOutputStream();
        byte[] buffer = new byte[4096];
        while (!read.toString(StandardCharsets.ISO_8859_1).contains(part)) {
            int n = in.read(buffer);
            if (n < 0) {
                break;
            }
            read.write(buffer, 0, n);
        }
        return read.toString(StandardCharsets.ISO_8859_1);
    }

    static void write(Socket socket, byte[] bytes) throws Exception {
        OutputStream out = socket.getOutputStream();
        out.write(bytes);
        out.flush();
    }

    static byte[] latin(String text) {
        return text.getBytes(StandardCharsets.ISO_8859_1);
    }

    /** The JVM's threads, without the one it keeps for waiting on child processes. */
    static long threadCount() {
        long count = 0;
        for (Thread thread : Thread.getAllStackTraces().keySet()) {
            if (!thread.getName().startsWith("process reaper")) {
                ++count;
            }
        }
        return count;
    }

    @Override
    public void cases(Cases table) {
        // The exceptions' one cleaning thread lives as long as the JVM, from the class's first use.
        try {
            Class.forName("com.olvenmark.varnel.VarnelException");
        } catch (ClassNotFoundException missing) {
            throw new AssertionError(missing);
        }
        final long threadsAtStart = threadCount();

        table.add("theClassesDeclareEveryNativeOfTheTable", () -> {
            Map<String, List<String>> expected = new HashMap<>();
            for (EngineSuite.Row row : rows()) {
                expected.computeIfAbsent(row.className, k -> new ArrayList<>()).add(row.method + " " + row.signature);
            }
            Check.equal(20, expected.get("LlpServer").size(), "LlpServer natives");
            Check.equal(10, expected.get("LlpConnection").size(), "LlpConnection natives");
            Check.equal(16, expected.get("LlpClient").size(), "LlpClient natives");
            for (Map.Entry<String, List<String>> entry : expected.entrySet()) {
                List<String> declared = new ArrayList<>();
                for (Method m : Class.forName("com.olvenmark.varnel." + entry.getKey()).getDeclaredMethods()) {
                    if (Modifier.isNative(m.getModifiers())) {
                        StringBuilder signature = new StringBuilder("(");
                        for (Class<?> type : m.getParameterTypes()) {
                            signature.append(EngineSuite.code(type));
                        }
                        declared.add(m.getName() + " " + signature.append(')').append(EngineSuite.code(m.getReturnType())));
                    }
                }
                Collections.sort(declared);
                Collections.sort(entry.getValue());
                Check.equal(entry.getValue(), declared, entry.getKey());
            }
        });

        table.add("aNullStringOrOneHoldingUPlus0000IsRefusedNamingItsVariableAndMethod", () -> {
            LlpServer server = new LlpServer();
            LlpClient client = new LlpClient();
            LlpConnection connection = new LlpConnection();
            Map<String, Object> owners = new HashMap<>();
            owners.put("LlpServer", server);
            owners.put("LlpClient", client);
            owners.put("LlpConnection", connection);
            Map<String, Long> handles = new HashMap<>();
            handles.put("LlpServer", server.handle());
            handles.put("LlpClient", client.handle());
            handles.put("LlpConnection", connection.handle());
            // The library reads every text up to its first NUL: a message with U+0000 would
            // reach the peer cut short, so it is refused and nothing is sent.
            String cut = "MSH|one\u0000two|three\r";
            for (String bad : new String[] {null, cut}) {
                int checked = 0;
                for (EngineSuite.Row row : rows()) {
                    List<Character> types = row.parameters();
                    int strings = 0;
                    for (int at : row.stringPositions()) {
                        Object[] args = new Object[types.size()];
                        for (int i = 0; i < args.length; ++i) {
                            char c = types.get(i);
                            args[i] = c == 'J' ? (Object) handles.get(row.className) : c == 'I' ? (Object) 0
                                    : i == at ? bad : "text";
                        }
                        String variable = strings++ == 0 ? row.variable : "NewLine";
                        String what = row + " with " + (bad == null ? "a null" : "U+0000") + " at " + at;
                        SockStandIn.reset();
                        VarnelException thrown = Check.throwsOf(VarnelException.class,
                                () -> call(owners.get(row.className), row.method, args));
                        if (bad == null) {
                            Check.equal("The string variable " + variable + " in method " + row.name
                                    + " cannot be null.", thrown.getMessage(), what);
                        } else {
                            Check.contains(thrown.getMessage(), variable, what + ": names the variable");
                            Check.contains(thrown.getMessage(), row.name, what + ": names the method");
                        }
                        Check.equal(0, SockStandIn.callCount(row.function), what + ": nothing sent");
                        ++checked;
                    }
                }
                Check.equal(12, checked, "strings checked");
            }
            connection.release();
            client.release();
            server.release();
        });

        table.add("aServerOrClientReleasedByFourThreadsAtOnceIsGivenBackOnce", () -> {
            EngineSuite.releasedOnceByFourThreads("LlpServer", () -> new LlpServer()::release,
                    () -> SockStandIn.callCount("VRNlistenerRelease"));
            EngineSuite.releasedOnceByFourThreads("LlpClient", () -> new LlpClient()::release,
                    () -> SockStandIn.callCount("VRNclientRelease"));
        });

        table.add("aListenerSetWhileAnotherThreadReleasesIsGivenBackWithItsObject", () -> {
            Jdk.accept();
            // Each object either registers and is then given back with its listener, or is
            // released first and refuses the listener; either way nothing is left holding it.
            // Rows: the class, how one is made, how it takes a listener, how it is released.
            record Row(String name, Supplier<Object> make, Consumer<Object> listen, Consumer<Object> release) {}
            List<Row> rows = List.of(
                    new Row("Engine", Engine::new, o -> ((Engine) o).setLogListener(line -> { }),
                            o -> ((Engine) o).release()),
                    new Row("LlpServer", LlpServer::new, o -> ((LlpServer) o).setListener(new Recorder()),
                            o -> ((LlpServer) o).release()),
                    new Row("LlpClient", LlpClient::new, o -> ((LlpClient) o).setListener(new Recorder()),
                            o -> ((LlpClient) o).release()));
            final int rounds = 200;
            for (Row row : rows) {
                List<WeakReference<Object>> made = new ArrayList<>();
                AtomicInteger refused = new AtomicInteger();
                for (int round = 0; round < rounds; ++round) {
                    Object object = row.make().get();
                    made.add(new WeakReference<>(object));
                    CyclicBarrier start = new CyclicBarrier(2);
                    AtomicReference<Throwable> failed = new AtomicReference<>();
                    Thread listening = new Thread(() -> {
                        try {
                            start.await();
                            row.listen().accept(object);
                        } catch (VarnelException released) {
                            if (!released.getMessage().equals(row.name() + " used after its release()")) {
                                failed.set(released);
                            }
                            refused.incrementAndGet();
                        } catch (Throwable other) {
                            failed.set(other);
                        }
                    });
                    listening.start();
                    start.await();
                    row.release().accept(object);
                    listening.join();
                    Check.equal(null, failed.get(), row.name() + " round " + round + ": the listener's road");
                }
                for (int i = 0; i < 200 && made.stream().anyMatch(o -> o.get() != null); ++i) {
                    System.gc();
                    Thread.sleep(10);
                }
                long held = made.stream().filter(o -> o.get() != null).count();
                Check.equal(0L, held, row.name() + ": objects still held (" + refused + " of " + rounds
                            + " refused their listener)");
            }
        });

        table.add("aServerAndAClientEchoThroughTheirEventsWithTheDefaultFraming", () -> {
            Recorder serverSide = new Recorder();
            serverSide.echo = true;
            LlpServer server = listening(serverSide);
            Check.isTrue(server.isListening(), "listening");
            Check.equal(START, server.headerBlock(), "default header");
            Check.equal(END, server.trailerBlock(), "default trailer");
            Recorder clientSide = new Recorder();
            LlpClient client = connected(clientSide, server.port());
            Check.isTrue(client.isConnected(), "connected");
            Check.equal("connected 127.0.0.1", serverSide.awaiting("connected"), "the remote address");
            Check.equal(1, server.countOfConnection(), "one connection");
            LlpConnection first = server.connection(0);
            Check.equal("127.0.0.1", first.remoteIpAddressAsString(), "the listed connection's address");
            client.sendMessage(message("1"));
            Check.equal("message " + message("1"), serverSide.awaiting("message"), "the server heard it whole");
            Check.equal("message " + message("1"), clientSide.awaiting("message"), "the echo came back");
            client.close();
            Check.equal("closed", clientSide.awaiting("closed"), "the client closed");
            Check.equal("disconnected", serverSide.awaiting("disconnected"), "the server saw it go");
            client.release();
            server.stopListen();
            Check.isTrue(!server.isListening(), "no longer listening");
            server.release();
        });

        table.add("aCustomHeaderAndTrailerFrameBothWays", () -> {
            Recorder recorder = new Recorder();
            recorder.echo = true;
            LlpServer server = new LlpServer();
            server.setHeaderBlock("<<");
            server.setTrailerBlock(">>\n");
            Check.equal("<<", server.headerBlock(), "header");
            Check.equal(">>\n", server.trailerBlock(), "trailer");
            server.setListener(recorder);
            server.startListen(0);
            try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
                recorder.awaiting("connected");
                write(raw, latin("<<" + message("7") + ">>\n"));
                Check.equal("message " + message("7"), recorder.awaiting("message"), "framed by the custom blocks");
                Check.contains(readUntil(raw, ">>\n"), "<<" + message("7") + ">>\n", "the echo, framed the same way");
            }
            server.release();
        });

        table.add("bytesOutsideAFrameReachDataIgnored", () -> {
            Recorder recorder = new Recorder();
            LlpServer server = listening(recorder);
            try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
                recorder.awaiting("connected");
                write(raw, latin("garbage" + START + message("8") + END));
                Check.contains(recorder.awaiting("ignored"), "garbage", "the garbage");
                Check.equal("message " + message("8"), recorder.awaiting("message"), "the frame after it");
            }
            server.release();
        });

        table.add("invalidUtf8OnTheWireCrashesNothing", () -> {
            Recorder recorder = new Recorder();
            recorder.echo = true;
            LlpServer server = listening(recorder);
            try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
                recorder.awaiting("connected");
                byte[] bad = {0x0b, 'M', (byte) 0xff, (byte) 0xc3, '(', (byte) 0xed, (byte) 0xa0, (byte) 0x80, 0x1c, 0x0d};
                write(raw, bad);
                write(raw, latin("\u00ff\u00fe" + START + message("9") + END));
                Check.equal("message " + message("9"), recorder.awaiting("message " + message("9").substring(0, 3)),
                        "the server goes on after the bad bytes");
            }
            server.release();
        });

        table.add("aHardCloseResetsTheConnection", () -> {
            Recorder recorder = new Recorder();
            LlpServer server = listening(recorder);
            try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
                recorder.awaiting("connected");
                write(raw, latin(START + message("h") + END));
                recorder.awaiting("message");
                server.connection(0).hardClose();
                Check.throwsOf(SocketException.class, () -> {
                    readUntil(raw, "never");
                    write(raw, latin(START + message("after") + END));
                    readUntil(raw, "never");
                });
            }
            // The client's hard close: the server sees the connection go.
            Recorder clientSide = new Recorder();
            LlpClient client = connected(clientSide, server.port());
            recorder.awaiting("connected");
            client.hardClose();
            Check.equal("disconnected", recorder.awaiting("disconnected"), "the server saw the reset");
            Check.isTrue(!client.isConnected(), "the client is no longer connected");
            client.release();
            server.release();
        });

        table.add("eightClientsEchoAHundredMessagesEachWithNothingLostOrDoubled", () -> {
            Recorder serverSide = new Recorder();
            serverSide.echo = true;
            LlpServer server = listening(serverSide);
            final int clients = 8;
            final int each = 100;
            List<LlpClient> all = new ArrayList<>();
            List<Recorder> heard = new ArrayList<>();
            for (int c = 0; c < clients; ++c) {
                Recorder recorder = new Recorder();
                heard.add(recorder);
                all.add(connected(recorder, server.port()));
            }
            List<Thread> senders = new ArrayList<>();
            for (int c = 0; c < clients; ++c) {
                final int client = c;
                Thread sender = new Thread(() -> {
                    for (int i = 0; i < each; ++i) {
                        all.get(client).sendMessage(message(client + "-" + i));
                    }
                });
                senders.add(sender);
                sender.start();
            }
            for (Thread sender : senders) {
                sender.join();
            }
            for (int c = 0; c < clients; ++c) {
                List<String> got = new ArrayList<>();
                while (got.size() < each) {
                    got.add(heard.get(c).awaiting("message "));
                }
                List<String> wanted = new ArrayList<>();
                for (int i = 0; i < each; ++i) {
                    wanted.add("message " + message(c + "-" + i));
                }
                Collections.sort(got);
                Collections.sort(wanted);
                Check.equal(wanted, got, "client " + c + "'s echoes");
                Check.equal(null, heard.get(c).events.poll(200, TimeUnit.MILLISECONDS), "client " + c + ": nothing more");
            }
            for (LlpClient client : all) {
                client.release();
            }
            server.release();
        });

        table.add("theMessageLoopDeliversOnTheThreadThatRunsIt", () -> {
            Recorder recorder = new Recorder();
            LlpServer server = listening(recorder);
            Map<String, Thread> threads = new ConcurrentHashMap<>();
            server.setListener(new Recorder() {
                @Override
                public void messageReceived(LlpConnection connection, String message) {
                    threads.put(message, Thread.currentThread());
                    recorder.heard("message " + message);
                }
            });
            Thread loop = new Thread(server::runMessageLoop, "llp-loop");
            loop.start();
            Thread.sleep(300);  // events that come before the loop runs go out on the I/O threads
            try (Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port())) {
                write(raw, latin(START + message("loop") + END));
                recorder.awaiting("message");
            }
            server.stopMessageLoop();
            loop.join(TimeUnit.SECONDS.toMillis(WAIT_SECONDS));
            Check.isTrue(!loop.isAlive(), "the loop returned");
            Check.equal(loop, threads.get(message("loop")), "delivered on the loop's thread");
            server.release();
        });

        table.add("noEventComesAfterReleaseReturns", () -> {
            Recorder recorder = new Recorder();
            LlpServer server = listening(recorder);
            AtomicBoolean sending = new AtomicBoolean(true);
            Socket raw = new Socket(InetAddress.getLoopbackAddress(), server.port());
            recorder.awaiting("connected");
            Thread flood = new Thread(() -> {
                try {
                    while (sending.get()) {
                        write(raw, latin(START + message("flood") + END + "x"));
                    }
                } catch (Exception ended) {
                    // the server went away
                }
            });
            flood.start();
            recorder.awaiting("message");
            server.release();
            recorder.closed = true;
            Thread.sleep(300);
            sending.set(false);
            raw.close();
            flood.join();
            Check.equal(0, recorder.afterClose.get(), "events after Release returned");
        });

        table.add("mllpSendTalksToAServerStartedFromJava", () -> {
            Recorder recorder = new Recorder();
            LlpServer server = new LlpServer();
            server.setListener(new Recorder() {
                @Override
                public void messageReceived(LlpConnection connection, String message) {
                    recorder.heard("message " + message);
                    connection.sendMessage("MSH|^~\\&|RECV|RFAC|SEND|FAC|20260101||ACK|" + message.length()
                            + "|P|2.5\rMSA|AA|" + message.length() + "\r");
                }
            });
            server.startListen(0);
            java.nio.file.Path file = java.nio.file.Files.createTempFile("llp", ".hl7");
            // mllp_send reads framed messages from a file; it drops each message's last
            // segment terminator before framing it, so the messages here end without one.
            String one = message("p1").substring(0, message("p1").length() - 1);
            String two = message("p2") + "OBX|1|ST|||\u00e9t\u00e9";
            java.nio.file.Files.write(file, (START + one + END + START + two + END).getBytes(StandardCharsets.UTF_8));
            Process send = new ProcessBuilder(Tools.mllpSend(), "-p", Integer.toString(server.port()), "-f",
                    file.toString(), "127.0.0.1").redirectErrorStream(true).start();
            send.getOutputStream().close();
            String output = new String(send.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
            Check.isTrue(send.waitFor(WAIT_SECONDS, TimeUnit.SECONDS), "mllp_send ended");
            Check.equal(0, send.exitValue(), "mllp_send's status: " + output);
            Check.equal("message " + one, recorder.next("first"), "the first message, byte for byte");
            Check.equal("message " + two, recorder.next("second"), "the second message, byte for byte");
            Check.equal(null, recorder.events.poll(200, TimeUnit.MILLISECONDS), "each message once");
            Check.contains(output, "MSA|AA|" + one.length(), "the first reply reached mllp_send");
            Check.contains(output, "MSA|AA|" + two.length(), "the second reply reached mllp_send");
            java.nio.file.Files.delete(file);
            server.release();
        });

        table.add("aClientFromJavaTalksToThePythonMllpServer", () -> {
            Process python = new ProcessBuilder(Tools.python(), Tools.ackServer()).start();
            try {
                java.io.BufferedReader lines = new java.io.BufferedReader(
                        new java.io.InputStreamReader(python.getInputStream(), StandardCharsets.UTF_8));
                String first = lines.readLine();
                if (first == null || !first.startsWith("PORT ")) {
                    throw new AssertionError("the Python server did not start: "
                            + new String(python.getErrorStream().readAllBytes(), StandardCharsets.UTF_8));
                }
                int port = Integer.parseInt(first.substring(5).trim());
                Recorder recorder = new Recorder();
                LlpClient client = connected(recorder, port);
                String[] sent = {message("y1"), message("y2") + "OBX|1|ST|||\u00e9t\u00e9\r"};
                for (String m : sent) {
                    client.sendMessage(m);
                    String block = lines.readLine();
                    Check.equal("BLOCK " + hex(m.getBytes(StandardCharsets.UTF_8)), block, "arrived whole");
                    String ack = recorder.awaiting("message ");
                    Check.contains(ack, "MSA|AA|" + m.substring(m.indexOf("ADT^A01|") + 8, m.indexOf("|P|")),
                            "the ACK arrived as a message event");
                }
                client.close();
                client.release();
            } finally {
                python.getOutputStream().close();
                if (!python.waitFor(WAIT_SECONDS, TimeUnit.SECONDS)) {
                    python.destroyForcibly();
                }
            }
        });

        table.add("everyEventReachesAListenerWhoseClassesComeFromAChildLoader", () -> {
            String tree = System.getProperty("java.class.path");
            String expected = String.join("\n", "client: connected", "server: connected 127.0.0.1",
                    "server: message MSH|1", "client: message MSH|1", "server: connected 127.0.0.1",
                    "server: ignored junk", "server: message MSH|2", "server: disconnected",
                    "server: error " + LoadedLlp.REPAIRED + " 7", "server: clientError " + LoadedLlp.REPAIRED + " 104",
                    "client: ignored " + LoadedLlp.REPAIRED, "client: error " + LoadedLlp.REPAIRED + " 3",
                    "client: closed", "server: disconnected") + "\n";
            Path varnel = Paths.get("com", "olvenmark", "varnel");
            String without = ClassTree.copy(path -> !path.startsWith(varnel));
            try {
                // Nothing of the varnel package on the system class path, and then a second
                // copy of it there: neither may change what the listeners hear.
                String[][] runs = {{without, "only in the child loader"}, {tree, "also on the class path"}};
                for (String[] run : runs) {
                    ChildJvm.Result child = ChildJvm.runOn(run[0], "varneltests.LoaderChild", tree);
                    Check.equal(expected, child.output, run[1] + ": what the listeners heard, and nothing else");
                    Check.equal(0, child.status, run[1] + ": exit code");
                }
            } finally {
                ClassTree.remove(without);
            }
        });

        table.add("aHostDropsTheBridgesLoaderWhichIsCollectedAndDeploysItAgain", () -> {
            // The varnel package and the scenario only in the loaders' tree.
            Path varnel = Paths.get("com", "olvenmark", "varnel");
            Predicate<Path> loaded = path -> path.startsWith(varnel)
                || path.toString().startsWith(Paths.get("varneltests", "RedeployedLlp").toString());
            ChildJvm.Result child = Redeploy.inChild(loaded, "varneltests.RedeployedLlp", 3);
            StringBuilder expected = new StringBuilder();
            for (int round = 1; round <= 3; ++round) {
                expected.append("round ").append(round).append(": connected (this loader's connection), ")
                        .append("disconnected (this loader's connection)\n")
                        .append("round ").append(round).append(": the loader was collected\n");
            }
            Check.equal(expected.toString(), child.output.replace("\r", ""), "child " + child);
            Check.equal(0, child.status, "child " + child);
        });

        table.add("systemExitEndsAJvmWhileThreadsWaitInBothMessageLoops", () -> {
            // A child that hangs at its exit is killed at the limit, failing the case.
            ChildJvm.Result child = ChildJvm.runWithin(WAIT_SECONDS * 3, "varneltests.LoopExitChild");
            Check.equal("inside both loops", child.output, "output");
            Check.isTrue(child.jniWarnings().isEmpty(), "no JNI warning: " + child);
            Check.equal(3, child.status, "exit code");
        });

        table.add("theJvmsThreadCountComesBackWhereItStarted", () -> {
            long deadline = System.nanoTime() + TimeUnit.SECONDS.toNanos(WAIT_SECONDS);
            while (threadCount() > threadsAtStart && System.nanoTime() < deadline) {
                Thread.sleep(50);
            }
            Check.equal(threadsAtStart, threadCount(), "threads");
        });
    }

    /** The text of the library error that the exception carries, or its message. */
    static String described(VarnelException thrown) {
        return thrown.handle() != 0 ? StandIn.description(thrown.handle()) : thrown.getMessage();
    }

    static String hex(byte[] bytes) {
        StringBuilder text = new StringBuilder();
        for (byte b : bytes) {
            text.append(String.format("%02x", b & 0xff));
        }
        return text.toString();
    }

    /** The outside programs of the interop cases, as the build found them. */
    static final class Tools {
        static String python() {
            return setting("VRN_TEST_PYTHON");
        }

        static String mllpSend() {
            return setting("VRN_TEST_MLLP_SEND");
        }

        static String ackServer() {
            return setting("VRN_TEST_ACK_SERVER");
        }

        static String setting(String name) {
            String value = System.getenv(name);
            Check.isTrue(value != null && !value.isEmpty(), name + " is not set (python3-hl7 missing?)");
            return value;
        }
    }
}
