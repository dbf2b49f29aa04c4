package varneltests;

import com.olvenmark.varnel.Engine;

/**
 * A child JVM whose log listener throws: the callback describes and clears the exception,
 * so the JVM prints it and goes on. Kept out of the main run, whose output must hold no
 * exception trace.
 */
public final class ListenerChild {
    private ListenerChild() {}

    public static void main(String[] args) throws Exception {
        Jdk.accept();
        Engine engine = new Engine();
        engine.setLogListener(line -> {
            throw new IllegalStateException("thrown by the listener for " + line);
        });
        StandIn.log(engine.handle(), "one".getBytes("UTF-8"));
        StandIn.logFromWorker(engine.handle(), "two".getBytes("UTF-8"));
        engine.release();
        System.out.print("alive");
    }
}
