package com.olvenmark.tollmere.plugin;

/** Why a destination's or a source's connection ended. */
public class DisconnectReason {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public DisconnectReason(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public DisconnectReason() throws PluginException {
        this(TLMdisconnectReasonCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMdisconnectReasonAddRef(long handle) throws PluginException;
    public static native void TLMdisconnectReasonRelease(long handle) throws PluginException;
    public static native boolean TLMdisconnectReasonGetDueToTollmere(long handle) throws PluginException;
    public static native boolean TLMdisconnectReasonGetDueToPlugin(long handle) throws PluginException;
    public static native boolean TLMdisconnectReasonGetDueToError(long handle) throws PluginException;
    public static native String TLMdisconnectReasonGetDescription(long handle) throws PluginException;
    public static native long TLMdisconnectReasonCreate() throws PluginException;
}
