package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.VarnelException;

/**
 * A child JVM for one row of the runtime version check: args[0] is the java.version to
 * report ("-" keeps the runtime's own, "null" removes it); a second word names a scenario.
 * Prints "accepted" when the first engine was made.
 */
public final class VersionChild {
    private VersionChild() {}

    public static void main(String[] args) throws Exception {
        String version = args[0];
        String scenario = args.length > 1 ? args[1] : "";
        if (version.equals("null")) {
            System.clearProperty("java.version");
        } else if (!version.equals("-")) {
            System.setProperty("java.version", version);
        }
        if (scenario.equals("failedFirst")) {
            // A creation that fails leaves the check to the next one.
            StandIn.failNext("VRNengineCreate", "Injected failure", null, null);
            try {
                new Engine();
                System.out.println("no failure");
            } catch (VarnelException expected) {
                // it gives its error back when it is collected
            }
            System.setProperty("java.version", "1.8.0_20");
        }
        if (scenario.equals("checkFails")) {
            // The check itself fails (its key cannot be converted): no engine is kept.
            StandIn.failNext("VRNmultiByteToWideChar", "Injected failure", null, null);
            try {
                new Engine();
                System.out.println("no failure");
            } catch (VarnelException expected) {
                // it gives its error back when it is collected
            }
            if (StandIn.liveCount("engine") != 0) {
                System.out.println("an engine was kept");
            }
        }
        Engine first = new Engine();
        if (scenario.equals("secondOnAnotherThread")) {
            // The check ran once; a later refused version is never looked at again.
            System.setProperty("java.version", "1.8.0_20");
            Thread other = new Thread(() -> new Engine().release());
            other.start();
            other.join();
        }
        first.release();
        System.out.print("accepted");
    }
}
