package com.olvenmark.tollmere.plugin;

/** The outcome of a message that a source supplied. */
public class SourceMessageRequestCompletedEventInputs {
    static {
        System.loadLibrary("tlm_java");
    }

    private final long handle;

    /** Wraps a handle of the engine library; takes no reference of its own. */
    public SourceMessageRequestCompletedEventInputs(long handle) {
        this.handle = handle;
    }

    /** A new object of the engine library, with the one reference it hands out. */
    public SourceMessageRequestCompletedEventInputs() throws PluginException {
        this(TLMsourceMessageRequestCompletedEventInputsCreate());
    }

    public long getHandle() {
        return handle;
    }

    public static native void TLMsourceMessageRequestCompletedEventInputsAddRef(long handle) throws PluginException;
    public static native void TLMsourceMessageRequestCompletedEventInputsRelease(long handle) throws PluginException;
    public static native String TLMsourceMessageRequestCompletedEventInputsGetPluginMessageId(long handle) throws PluginException;
    public static native String TLMsourceMessageRequestCompletedEventInputsGetMessageLogId(long handle) throws PluginException;
    public static native boolean TLMsourceMessageRequestCompletedEventInputsGetMessageProcessed(long handle) throws PluginException;
    public static native long TLMsourceMessageRequestCompletedEventInputsCreate() throws PluginException;
}
