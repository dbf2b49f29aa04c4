package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.VarnelException;

import java.nio.charset.StandardCharsets;
import java.util.concurrent.CountDownLatch;

/**
 * A child JVM that must end by itself while the Engine's log callback is busy in one of the
 * ways a host can make it: its parent kills it at a time limit, failing the case.
 * <ul>
 * <li>creatorsThread: the first engine is made on a native thread that then leaves the JVM;
 * later a line comes on that same thread (as it would on a new thread given a dead
 * creator's identifier). main then returns, and the JVM must not wait for that thread.
 * <li>slowLine: a line is in flight on a native thread whose listener is slow, vrn_core
 * refuses to clear the callback, the engine is released and System.exit(0) is called.
 * <li>nested: a listener loads the engine again, and the nested line's listener releases
 * the engine.
 * </ul>
 */
public final class EngineLifeChild {
    private EngineLifeChild() {}

    static Engine first;

    /** Called on the stand-in's kept thread: the process's first engine. */
    public static long makeFirstEngine() {
        first = new Engine();
        return first.handle();
    }

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.UTF_8);
    }

    public static void main(String[] args) throws Exception {
        Jdk.accept();
        switch (args[0]) {
            case "creatorsThread": {
                if (StandIn.callOnKeptThread("varneltests/EngineLifeChild", "makeFirstEngine") == 0) {
                    System.out.print("no engine");
                    return;
                }
                StringBuilder heard = new StringBuilder();
                first.setLogListener(heard::append);
                StandIn.logFromKeptThread(first.handle(), bytes("on the creator's thread"));
                first.release();
                System.out.print(heard);
                return;  // the JVM ends when main does, or never
            }
            case "slowLine": {
                Engine engine = new Engine();
                CountDownLatch inside = new CountDownLatch(1);
                engine.setLogListener(line -> {
                    inside.countDown();
                    try {
                        Thread.sleep(600_000);
                    } catch (InterruptedException stopped) {
                        Thread.currentThread().interrupt();
                    }
                });
                long h = engine.handle();
                Thread logging = new Thread(() -> StandIn.logFromWorker(h, bytes("slow")), "logging");
                logging.setDaemon(true);
                logging.start();
                inside.await();
                StandIn.failNext("VRNengineSetLogCallBackPerEngine", "Injected failure", null, null);
                try {
                    engine.release();
                } catch (VarnelException refused) {
                    System.out.print("refused, ");
                }
                System.out.print("released");
                System.exit(0);
                break;
            }
            case "nested": {
                Engine engine = new Engine();
                long h = engine.handle();
                String definition = System.getenv("VRN_TEST_DEFINITION");
                int[] depth = {0};
                StringBuilder heard = new StringBuilder();
                engine.setLogListener(line -> {
                    int at = depth[0]++;
                    heard.append(at);
                    if (at == 0) {
                        engine.VRNengineLoad(h, definition);
                    } else {
                        engine.release();
                        heard.append(" released");
                    }
                });
                engine.VRNengineLoad(h, definition);
                System.out.print(heard);
                return;
            }
            default:
                System.out.print("no scenario " + args[0]);
        }
    }
}
