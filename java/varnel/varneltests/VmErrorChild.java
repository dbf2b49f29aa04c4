package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.VarnelException;
import harness.VmEdge;

/**
 * A failing native of vrn_java called where the JVM has no room to make the
 * VarnelException: args[0] "stack" (at the end of threads' stacks) or "heap" (the heap
 * full, in a child with a small one); args[1] the road, "direct" (a null text refused by an
 * Engine native) or "guarded" (sockmod2 refusing handle 0 in an LlpClient native). Prints
 * what reached Java, then "went on".
 */
public final class VmErrorChild {
    private VmErrorChild() {}

    public static void main(String[] args) throws Exception {
        Jdk.accept();
        Engine engine = new Engine();
        LlpClient client = new LlpClient();
        VmEdge.Failing failing = args[1].equals("direct")
            ? () -> engine.VRNengineTranslateMessageToXml(engine.handle(), null)
            : () -> client.VRNclientGetIsConnected(0);
        try {
            failing.call();
            throw new AssertionError("the native did not fail");
        } catch (VarnelException expected) {
            // With room, the bridge's exception; its class is loaded now.
        }
        if (args[0].equals("stack")) {
            System.out.println("overflows in the call: " + VmEdge.atStackEnd(failing, 8));
        } else {
            Throwable thrown = VmEdge.withFullHeap(failing);
            System.out.println("with the heap full: " + (thrown == null ? null : thrown.getClass().getName()));
        }
        client.release();
        engine.release();
        System.out.println("went on");
    }
}
