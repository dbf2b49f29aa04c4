package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.DisconnectReason;
import com.olvenmark.tollmere.plugin.LogMessage;
import com.olvenmark.tollmere.plugin.LogQuery;
import com.olvenmark.tollmere.plugin.PluginException;
import com.olvenmark.tollmere.plugin.Source;

/** The child JVMs' roads that have every class of the package: args[0] names the road. */
public final class Children {
    private Children() {}

    public static void main(String[] args) throws Exception {
        switch (args[0]) {
            case "first-use":
                firstUse();
                break;
            case "throwing":
                int delivered = 0;
                for (CallbackSuite.Kind kind : CallbackSuite.KINDS) {
                    CallbackSuite.deliver(kind, StandIn.NEW_THREAD, true);
                    CallbackSuite.deliver(kind, StandIn.CALLER_THREAD, true);
                    delivered += 2;
                }
                System.out.println("delivered " + delivered);
                break;
            case "missing-inputs":
                // DestinationMessageReceivedEventInputs is not on the class path.
                Listeners.RecordingDestination destination = new Listeners.RecordingDestination();
                long handle = destination.getHandle();
                long listener = destination.TLMdestinationAddListener(handle);
                for (int event : new int[] {StandIn.DESTINATION_MESSAGE_RECEIVED, StandIn.DESTINATION_DISCONNECTED}) {
                    StandIn.fire(event, handle, StandIn.NEW_THREAD, 1, 1);
                    System.out.println("event " + event + ": calls " + destination.calls.size());
                }
                Destination.TLMdestinationRelease(handle, listener);
                break;
            case "error-handle":
                // An error object to raise around, with a PluginException class that cannot.
                long query = LogQuery.TLMlogQueryCreate();
                StandIn.injectError("TLMlogQuerySetPort", "refused");
                LogQuery.TLMlogQuerySetPort(query, 1);
                System.out.println("the JVM went on");
                break;
            case "retried-release":
                retriedRelease();
                break;
            default:
                throw new IllegalArgumentException(args[0]);
        }
    }

    /**
     * A's Release fails after its listener reference was deleted, B's listener gets a
     * reference (which the JVM may give the deleted one's value), and the host retries A's
     * Release: B's events must still reach B.
     */
    static void retriedRelease() throws PluginException {
        Listeners.RecordingDestination a = new Listeners.RecordingDestination();
        long ha = a.getHandle();
        long listenerOfA = a.TLMdestinationAddListener(ha);
        StandIn.injectError("TLMdestinationRelease", "not now");
        try {
            Destination.TLMdestinationRelease(ha, listenerOfA);
        } catch (PluginException refused) {
            System.out.println("A's release refused: " + refused.getMessage());
        }
        Listeners.RecordingDestination b = new Listeners.RecordingDestination();
        long hb = b.getHandle();
        long listenerOfB = b.TLMdestinationAddListener(hb);
        Destination.TLMdestinationRelease(ha, listenerOfA);
        StandIn.fire(StandIn.DESTINATION_DISCONNECTED, hb, StandIn.NEW_THREAD, 1, 1);
        StandIn.fire(StandIn.DESTINATION_DISCONNECTED, hb, StandIn.CALLER_THREAD, 1, 1);
        System.out.println("B heard " + b.calls.size() + ", A released " + (StandIn.refCount(ha) == -1));
        Destination.TLMdestinationRelease(hb, listenerOfB);
    }

    /** Each class's first Create in a fresh JVM, then the library calls they made, in order. */
    static void firstUse() throws PluginException {
        new LogQuery();
        new LogQuery();
        new LogMessage();
        new Destination();
        new Destination();
        new Source();
        new DisconnectReason();
        PluginException.PluginExceptionCreate("first");
        PluginException.PluginExceptionCreate("second");
        for (String entry : StandIn.journal()) {
            String[] parts = entry.split(" ");
            System.out.println(parts[0].equals("TLMcharacterEncodingSetCharacterEncoding") ? entry : parts[0]);
        }
    }
}
