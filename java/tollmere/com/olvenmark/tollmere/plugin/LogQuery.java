package com.olvenmark.tollmere.plugin;

import java.util.Date;

/** A query of the engine's message log: server, credentials, filters and date range; executed, it gives a {@link LogQueryResult}. */
public class LogQuery {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public LogQuery(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public LogQuery() throws PluginException {
        this(TLMlogQueryCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native long TLMlogQueryCreate() throws PluginException;
    public static native void TLMlogQueryAddRef(long handle) throws PluginException;
    public static native void TLMlogQueryRelease(long handle) throws PluginException;
    public static native String TLMlogQueryGetHost(long handle) throws PluginException;
    public static native String TLMlogQueryGetUsername(long handle) throws PluginException;
    public static native String TLMlogQueryGetPassword(long handle) throws PluginException;
    public static native String TLMlogQueryGetFilter(long handle) throws PluginException;
    public static native String TLMlogQueryGetChannelName(long handle) throws PluginException;
    public static native String TLMlogQueryGetMessageLogId(long handle) throws PluginException;
    public static native void TLMlogQuerySetHost(long handle, String value) throws PluginException;
    public static native void TLMlogQuerySetUsername(long handle, String value) throws PluginException;
    public static native void TLMlogQuerySetPassword(long handle, String value) throws PluginException;
    public static native void TLMlogQuerySetFilter(long handle, String value) throws PluginException;
    public static native void TLMlogQuerySetChannelName(long handle, String value) throws PluginException;
    public static native void TLMlogQuerySetMessageLogId(long handle, String value) throws PluginException;
    public static native int TLMlogQueryGetPort(long handle) throws PluginException;
    public static native void TLMlogQuerySetPort(long handle, int value) throws PluginException;
    public static native boolean TLMlogQueryGetEncrypt(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeMessageMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeAckMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeSuccessMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeWarningMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeErrorMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeMarkedErrorMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeUnmarkedErrorMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeInfoMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeDebugMessages(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeDeleted(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeNonDeleted(long handle) throws PluginException;
    public static native boolean TLMlogQueryGetIncludeSourceLogs(long handle) throws PluginException;
    public static native void TLMlogQuerySetEncrypt(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeMessageMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeAckMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeSuccessMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeWarningMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeErrorMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeMarkedErrorMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeUnmarkedErrorMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeInfoMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeDebugMessages(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeDeleted(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeNonDeleted(long handle, boolean value) throws PluginException;
    public static native void TLMlogQuerySetIncludeSourceLogs(long handle, boolean value) throws PluginException;
    public static native Date TLMlogQueryGetAfter(long handle) throws PluginException;
    public static native Date TLMlogQueryGetBefore(long handle) throws PluginException;
    public static native void TLMlogQuerySetAfter(long handle, Date value) throws PluginException;
    public static native void TLMlogQuerySetBefore(long handle, Date value) throws PluginException;
    public static native LogQueryResult TLMlogQueryExecute(long handle) throws PluginException;
}
