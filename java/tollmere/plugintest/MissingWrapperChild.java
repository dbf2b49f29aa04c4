package plugintest;

import com.olvenmark.tollmere.plugin.Destination;

/**
 * A child JVM whose class path lacks DisconnectReason: the reason handle the library hands
 * out cannot be wrapped and must go back to the library. Prints the reason's references.
 */
public final class MissingWrapperChild {
    private MissingWrapperChild() {}

    public static void main(String[] args) throws Exception {
        long destination = Destination.TLMdestinationCreate();
        long reason = StandIn.newDisconnectReason();
        StandIn.setObject(destination, "DisconnectReason", reason);  // the stand-in's own reference
        try {
            Destination.TLMdestinationGetDisconnectReason(destination);
            System.out.println("wrapped");
        } catch (NoClassDefFoundError expected) {
            System.out.println("not wrapped: " + expected.getMessage());
        }
        System.out.println("references " + StandIn.refCount(reason));
    }
}
