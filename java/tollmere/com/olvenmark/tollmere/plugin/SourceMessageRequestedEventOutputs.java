package com.olvenmark.tollmere.plugin;

/** A source's answer to the engine's request: the outbound message and what to log. */
public class SourceMessageRequestedEventOutputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public SourceMessageRequestedEventOutputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public SourceMessageRequestedEventOutputs() throws PluginException {
        this(TLMsourceMessageRequestedEventOutputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMsourceMessageRequestedEventOutputsAddRef(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsRelease(long handle) throws PluginException;
    public static native String TLMsourceMessageRequestedEventOutputsGetOutboundMessage(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsSetOutboundMessage(long handle, String value) throws PluginException;
    public static native String TLMsourceMessageRequestedEventOutputsGetPluginMessageId(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsSetPluginMessageId(long handle, String value) throws PluginException;
    public static native boolean TLMsourceMessageRequestedEventOutputsGetStopChannelFlag(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsSetStopChannelFlag(long handle, boolean value) throws PluginException;
    public static native boolean TLMsourceMessageRequestedEventOutputsGetStopChannelErrorFlag(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsSetStopChannelErrorFlag(long handle, boolean value) throws PluginException;
    public static native String TLMsourceMessageRequestedEventOutputsGetStopChannelReason(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsSetStopChannelReason(long handle, String value) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsAddErrorLogMessage(long handle, String message) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsAddWarningLogMessage(long handle, String message) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsAddInfoLogMessage(long handle, String message) throws PluginException;
    public static native void TLMsourceMessageRequestedEventOutputsAddDebugLogMessage(long handle, String message) throws PluginException;
    public static native long TLMsourceMessageRequestedEventOutputsCreate() throws PluginException;
}
