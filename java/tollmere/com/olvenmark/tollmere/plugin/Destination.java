package com.olvenmark.tollmere.plugin;

/**
 * A destination of the engine: it receives messages from it. The listener methods below run on whatever
 * thread the engine calls back on, once {@code TLMdestinationAddListener} has registered this
 * object; override them to handle the events.
 */
public class Destination {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public Destination(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public Destination() throws PluginException {
        this(TLMdestinationCreate());
    }

    public long getHandle() {
        return handle;
    }

    /** A message arrived from the engine; answer it through the outputs. */
    public void messageReceived(DestinationMessageReceivedEventInputs inputs, DestinationMessageReceivedEventOutputs outputs) {
    }

    /** A message is offered for a resubmission preview. */
    public void resubmissionPreviewMessageReceived(DestinationMessageReceivedEventInputs inputs, DestinationMessageReceivedEventOutputs outputs) {
    }

    /** The connection to the engine ended. */
    public void disconnected() {
    }

    public static native long TLMdestinationCreate() throws PluginException;
    public static native void TLMdestinationAddRef(long handle) throws PluginException;
    public native long TLMdestinationAddListener(long handle) throws PluginException;
    public static native void TLMdestinationRelease(long handle, long listener) throws PluginException;
    public static native DisconnectReason TLMdestinationGetDisconnectReason(long handle) throws PluginException;
    public static native int TLMdestinationGetConnectTimeout(long handle) throws PluginException;
    public static native void TLMdestinationSetConnectTimeout(long handle, int value) throws PluginException;
    public static native void TLMdestinationEnableDebugLogging(long handle, String fileName) throws PluginException;
    public static native void TLMdestinationConnect(long handle, String hostName, int port, String channelName) throws PluginException;
    public static native void TLMdestinationDisconnect(long handle) throws PluginException;
    public static native void TLMdestinationWaitForDisconnect(long handle) throws PluginException;
    public static native boolean TLMdestinationWaitForDisconnectWithTimeout(long handle, int timeout) throws PluginException;
}
