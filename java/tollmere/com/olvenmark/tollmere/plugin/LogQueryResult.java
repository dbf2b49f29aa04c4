package com.olvenmark.tollmere.plugin;

/** The outcome of a {@link LogQuery}: success, an error description and the log entries found. */
public class LogQueryResult {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public LogQueryResult(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public LogQueryResult() throws PluginException {
        this(TLMlogQueryResultCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native long TLMlogQueryResultCreate() throws PluginException;
    public static native void TLMlogQueryResultAddRef(long handle) throws PluginException;
    public static native void TLMlogQueryResultRelease(long handle) throws PluginException;
    public static native boolean TLMlogQueryResultGetSuccess(long handle) throws PluginException;
    public static native String TLMlogQueryResultGetErrorDescription(long handle) throws PluginException;
    public static native int TLMlogQueryResultCountOfMessage(long handle) throws PluginException;
    public static native LogMessage TLMlogQueryResultGetMessage(long handle, int index) throws PluginException;
}
