package com.olvenmark.tollmere.plugin;

/** A message the engine delivered to a destination. */
public class DestinationMessageReceivedEventInputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public DestinationMessageReceivedEventInputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public DestinationMessageReceivedEventInputs() throws PluginException {
        this(TLMdestinationMessageReceivedEventInputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMdestinationMessageReceivedEventInputsAddRef(long handle) throws PluginException;
    public static native void TLMdestinationMessageReceivedEventInputsRelease(long handle) throws PluginException;
    public static native String TLMdestinationMessageReceivedEventInputsGetMessage(long handle) throws PluginException;
    public static native String TLMdestinationMessageReceivedEventInputsGetMessageLogId(long handle) throws PluginException;
    public static native long TLMdestinationMessageReceivedEventInputsCreate() throws PluginException;
}
