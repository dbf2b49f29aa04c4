package com.olvenmark.varnel;

/**
 * The exception of the whole HL7 bridge. Made around an error handle (the (J)V
 * constructor) it owns that handle's one reference; made from a text it carries only the
 * text. The natives read an error object's description and named parameters, count
 * references on it, and make a new one from a text; their texts are the JVM's own
 * modified UTF-8, unchanged.
 */
public class VarnelException extends RuntimeException {
    static {
        System.loadLibrary("vrn_java");
    }

    private static final long serialVersionUID = 1L;

    private final long handle;

    public VarnelException(long handle) {
        super();
        this.handle = handle;
    }

    public VarnelException(String message) {
        super(message);
        this.handle = 0;
    }

    /** The error handle, 0 for an exception made from a text. */
    public long handle() {
        return handle;
    }

    public native void VRNvarnelExceptionRelease(long h);
    public native void VRNvarnelExceptionAddRef(long h);
    public native String VRNvarnelExceptionGetMessage(long h);
    public native long VRNvarnelExceptionCreate(String message);
    public native String VRNvarnelExceptionGetParameter(long h, String key);
    public native int VRNvarnelExceptionGetCountOfParameter(long h);
    public native String VRNvarnelExceptionGetKey(long h, int index);
}
