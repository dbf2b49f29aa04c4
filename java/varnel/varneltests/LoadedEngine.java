package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.VarnelException;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.Callable;

/**
 * The Engine's log lines on the caller's thread, on a native thread the JVM does not know
 * and on one it does, a line whose listener releases the engine, and a dropped exception,
 * with every class from LoaderChild's class loader. Its result lists, one line each, what
 * was heard, in order.
 */
public final class LoadedEngine implements Callable<String> {
    @Override
    public String call() throws Exception {
        Jdk.accept();
        List<String> heard = new ArrayList<>();
        Thread caller = Thread.currentThread();
        Engine engine = new Engine();
        long h = engine.handle();
        engine.setLogListener(line -> {
            synchronized (heard) {
                heard.add((Thread.currentThread() == caller ? "caller: " : "other: ") + line);
            }
            if (line.equals("release me")) {
                engine.release();
            }
        });
        StandIn.log(h, "on the caller".getBytes(StandardCharsets.UTF_8));
        StandIn.logFromWorker(h, "on a worker".getBytes(StandardCharsets.UTF_8));
        try {
            engine.VRNengineMessageName(h, 99);
        } catch (VarnelException dropped) {
            heard.add("exception: " + (dropped.getMessage() != null && !dropped.getMessage().isEmpty()));
        }
        StandIn.logFromWorker(h, "release me".getBytes(StandardCharsets.UTF_8));
        StringBuilder text = new StringBuilder();
        for (String line : heard) {
            text.append(line).append('\n');
        }
        return text.toString();
    }
}
