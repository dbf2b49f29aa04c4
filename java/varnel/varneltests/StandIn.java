package varneltests;

/** The vrn_core stand-in's control interface, for the suites (library vrn_core_control). */
public final class StandIn {
    static {
        System.loadLibrary("vrn_core_control");
    }

    private StandIn() {}

    public static native void reset();
    public static native boolean failNext(String function, String description, String key, String value);
    public static native boolean failNextUnhandled(String function);
    public static native String journal();
    public static native int callCount(String function);
    public static native int liveCount(String kind);
    public static native long referenceCount(long error);
    public static native void log(long engine, byte[] line);
    public static native void logMany(long engine, byte[] line, int count);
    public static native void logFromWorker(long engine, byte[] line);
    /** On the stand-in's one kept native thread: attached, a static ()J method called, detached. */
    public static native long callOnKeptThread(String className, String method);
    /** A log line on the kept thread, while the JVM does not know it. */
    public static native void logFromKeptThread(long engine, byte[] line);
    public static native String description(long error);
    public static native String parameter(long error, String key);
    public static native int parameterCount(long error);
    public static native boolean release(long error);
    public static native long tableCreate();
    public static native void tableRelease(long table);
    public static native String[] nativeTable();
    public static native void setNullFlags(int tableByte, int dateTimeFlag);
}
