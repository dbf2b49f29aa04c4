package com.olvenmark.tollmere.plugin;

/** A destination's answer to a delivered message. */
public class DestinationMessageReceivedEventOutputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public DestinationMessageReceivedEventOutputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public DestinationMessageReceivedEventOutputs() throws PluginException {
        this(TLMdestinationMessageReceivedEventOutputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMdestinationMessageReceivedEventOutputsAddRef(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsRelease(long handle) throws PluginException;
    public static native boolean TLMdestinationMessageReceivedEventOutputsGetMessageProcessedFlag(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetMessageProcessedFlag(long handle, boolean value) throws PluginException;
    public static native boolean TLMdestinationMessageReceivedEventOutputsGetResendMessageFlag(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetResendMessageFlag(long handle, boolean value) throws PluginException;
    public static native int TLMdestinationMessageReceivedEventOutputsGetResendMessageDelay(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetResendMessageDelay(long handle, int value) throws PluginException;
    public static native boolean TLMdestinationMessageReceivedEventOutputsGetStopChannelFlag(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetStopChannelFlag(long handle, boolean value) throws PluginException;
    public static native boolean TLMdestinationMessageReceivedEventOutputsGetStopChannelErrorFlag(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetStopChannelErrorFlag(long handle, boolean value) throws PluginException;
    public static native String TLMdestinationMessageReceivedEventOutputsGetStopChannelReason(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsSetStopChannelReason(long handle, String value) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsAddErrorLogMessage(long handle, String message) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsAddWarningLogMessage(long handle, String message) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsAddInfoLogMessage(long handle, String message) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventOutputsAddDebugLogMessage(long handle, String message) throws PluginException;
    public static native long TLMdestinationMessageReceivedEventOutputsCreate() throws PluginException;
}
