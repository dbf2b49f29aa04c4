package com.olvenmark.tollmere.plugin;

/** A source's answer to that outcome. */
public class SourceMessageRequestCompletedEventOutputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public SourceMessageRequestCompletedEventOutputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public SourceMessageRequestCompletedEventOutputs() throws PluginException {
        this(TLMsourceMessageRequestCompletedEventOutputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMsourceMessageRequestCompletedEventOutputsAddRef(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestCompletedEventOutputsRelease(long handle) throws PluginException;
    public static native long TLMsourceMessageRequestCompletedEventOutputsCreate() throws PluginException;
}
