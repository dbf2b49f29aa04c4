package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.PluginException;
import harness.VmEdge;

/**
 * A failing native of tlm_java called where the JVM has no room to make the
 * PluginException: args[0] "stack" (at the end of threads' stacks) or "heap" (the heap
 * full, in a child with a small one). Prints what reached Java, then "went on".
 */
public final class VmErrorChild {
    private VmErrorChild() {}

    /** Handle 0 names no destination: the library answers with an error object. */
    static void fail() throws PluginException {
        Destination.TLMdestinationGetConnectTimeout(0);
    }

    public static void main(String[] args) throws Exception {
        try {
            fail();
            throw new AssertionError("the native did not fail");
        } catch (PluginException expected) {
            // With room, the bridge's exception; its class is loaded now.
        }
        int errors = StandIn.liveCount("exception");
        if (args[0].equals("stack")) {
            System.out.println("overflows in the call: " + VmEdge.atStackEnd(VmErrorChild::fail, 8));
        } else {
            Throwable thrown = VmEdge.withFullHeap(VmErrorChild::fail);
            System.out.println("with the heap full: " + (thrown == null ? null : thrown.getClass().getName()));
        }
        System.out.println("error objects left: " + (StandIn.liveCount("exception") - errors));
        System.out.println("went on");
    }
}
