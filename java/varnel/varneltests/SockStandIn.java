package varneltests;

/**
 * The sockmod2 stand-in's control interface, for the suites (library sockmod2_control).
 * Kinds for liveCount: "listener", "connection", "client", "encoding", "error", "thread".
 * Listener events: "listenerError", "connect", "disconnect", "connectionError", "message",
 * "ignoredData"; client events: "connected", "closed", "message", "ignoredData", "error".
 * An event's text is given as bytes (null for a null text); fromWorker raises it on a
 * thread of the stand-in that the JVM does not know.
 */
public final class SockStandIn {
    static {
        System.loadLibrary("sockmod2_control");
    }

    private SockStandIn() {}

    public static native void reset();
    public static native boolean failNext(String function, String description, String key, String value);
    public static native boolean failNextUnhandled(String function);
    public static native String journal();
    public static native int callCount(String function);
    public static native int liveCount(String kind);
    public static native boolean listenerEvent(long listener, String event, long connection, byte[] text, int code,
                                               boolean fromWorker);
    public static native boolean clientEvent(long client, String event, byte[] text, int code, boolean fromWorker);
}
