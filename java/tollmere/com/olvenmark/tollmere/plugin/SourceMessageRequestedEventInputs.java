package com.olvenmark.tollmere.plugin;

/** The engine's request for a message from a source. */
public class SourceMessageRequestedEventInputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public SourceMessageRequestedEventInputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public SourceMessageRequestedEventInputs() throws PluginException {
        this(TLMsourceMessageRequestedEventInputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMsourceMessageRequestedEventInputsAddRef(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestedEventInputsRelease(long handle) throws PluginException;
    public static native long TLMsourceMessageRequestedEventInputsCreate() throws PluginException;
}
