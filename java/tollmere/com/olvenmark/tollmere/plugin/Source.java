package com.olvenmark.tollmere.plugin;

/**
 * A source of the engine: it supplies messages to it. The listener methods below run on whatever
 * thread the engine calls back on, once {@code TLMsourceAddListener} has registered this
 * object; override them to handle the events.
 */
public class Source {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public Source(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public Source() throws PluginException {
        this(TLMsourceCreate());
    }

    public long getHandle() {
        return handle;
    }

    /** The engine asks for a message; supply it through the outputs. */
    public void messageRequested(SourceMessageRequestedEventInputs inputs, SourceMessageRequestedEventOutputs outputs) {
    }

    /** The engine reports what became of a supplied message. */
    public void messageRequestCompleted(SourceMessageRequestCompletedEventInputs inputs, SourceMessageRequestCompletedEventOutputs outputs) {
    }

    /** The connection to the engine ended. */
    public void disconnected() {
    }

    public static native long TLMsourceCreate() throws PluginException;
    public static native void TLMsourceAddRef(long handle) throws PluginException;
    public native long TLMsourceAddListener(long handle) throws PluginException;
    public static native void TLMsourceRelease(long handle, long listener) throws PluginException;
    public static native DisconnectReason TLMsourceGetDisconnectReason(long handle) throws PluginException;
    public static native int TLMsourceGetConnectTimeout(long handle) throws PluginException;
    public static native void TLMsourceSetConnectTimeout(long handle, int value) throws PluginException;
    public static native void TLMsourceEnableDebugLogging(long handle, String fileName) throws PluginException;
    public static native void TLMsourceConnect(long handle, String hostName, int port, String channelName) throws PluginException;
    public static native void TLMsourceDisconnect(long handle) throws PluginException;
    public static native void TLMsourceWaitForDisconnect(long handle) throws PluginException;
    public static native boolean TLMsourceWaitForDisconnectWithTimeout(long handle, int timeout) throws PluginException;
}
