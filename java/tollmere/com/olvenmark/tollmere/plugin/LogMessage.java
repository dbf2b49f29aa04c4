package com.olvenmark.tollmere.plugin;

import java.util.Date;

/** One entry of the engine's message log. */
public class LogMessage {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public LogMessage(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public LogMessage() throws PluginException {
        this(TLMlogMessageCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native long TLMlogMessageCreate() throws PluginException;
    public static native void TLMlogMessageAddRef(long handle) throws PluginException;
    public static native void TLMlogMessageRelease(long handle) throws PluginException;
    public static native String TLMlogMessageGetChannelName(long handle) throws PluginException;
    public static native String TLMlogMessageGetMessageType(long handle) throws PluginException;
    public static native String TLMlogMessageGetContent(long handle) throws PluginException;
    public static native String TLMlogMessageGetMessageLogId(long handle) throws PluginException;
    public static native String TLMlogMessageGetReferenceLogId(long handle) throws PluginException;
    public static native Date TLMlogMessageGetTimeStamp(long handle) throws PluginException;
    public static native int TLMlogMessageGetMilliseconds(long handle) throws PluginException;
    public static native boolean TLMlogMessageGetDeleted(long handle) throws PluginException;
    public static native boolean TLMlogMessageGetMarkedError(long handle) throws PluginException;
    public static native boolean TLMlogMessageGetResubmitted(long handle) throws PluginException;
    public static native boolean TLMlogMessageGetIsResubmission(long handle) throws PluginException;
}
