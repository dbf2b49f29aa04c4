package com.olvenmark.varnel;

import java.lang.ref.Cleaner;

/**
 * The exception of the whole HL7 bridge. Made around an error handle (the (J)V
 * constructor) it owns that handle's one reference, which it gives back once: through
 * {@link #release()}, or once it is no longer reachable, whichever comes first (the raw
 * release native is not the way to give it back). Its message is the error's description,
 * read when it is made. Made from a text it carries only the text, and so does a
 * deserialized copy: the handle stays with the original. The natives read an error object's description and
 * named parameters, count references on it, and make a new one from a text; their texts
 * are the JVM's own modified UTF-8, unchanged.
 */
public class VarnelException extends RuntimeException {
    static {
        System.loadLibrary("vrn_java");
    }

    private static final long serialVersionUID = 1L;

    // One thread for every exception of the class. A cleaning action holds only the
    // handle, never the exception, or the exception could not become unreachable.
    private static final Cleaner CLEANER = Cleaner.create();
    // The natives take the handle as an argument; this object only carries their calls
    // for the actions and the constructor, which have no exception of their own to use.
    // It keeps no stack trace, which would hold the classes (and their loaders) of
    // whatever first used this class.
    private static final VarnelException NATIVES = new VarnelException();

    private final transient long handle;
    private final transient Cleaner.Cleanable cleanable;

    public VarnelException(long handle) {
        super(describe(handle));
        this.handle = handle;
        this.cleanable = handle != 0 ? CLEANER.register(this, new Release(handle)) : null;
    }

    public VarnelException(String message) {
        super(message);
        this.handle = 0;
        this.cleanable = null;
    }

    private VarnelException() {
        super(null, null, false, false);
        this.handle = 0;
        this.cleanable = null;
    }

    /** Gives the error's reference back now, once however often called; the handle is not used afterwards. */
    public void release() {
        if (cleanable != null) {
            cleanable.clean();
        }
    }

    /** The error handle, 0 for an exception made from a text or deserialized. */
    public long handle() {
        return handle;
    }

    private static String describe(long handle) {
        if (handle == 0) {
            return null;
        }
        try {
            return NATIVES.VRNvarnelExceptionGetMessage(handle);
        } catch (VarnelException unreadable) {
            return null;
        }
    }

    private static final class Release implements Runnable {
        private final long handle;

        Release(long handle) {
            this.handle = handle;
        }

        @Override
        public void run() {
            NATIVES.VRNvarnelExceptionRelease(handle);
        }
    }

    public native void VRNvarnelExceptionRelease(long h);
    public native void VRNvarnelExceptionAddRef(long h);
    public native String VRNvarnelExceptionGetMessage(long h);
    public native long VRNvarnelExceptionCreate(String message);
    public native String VRNvarnelExceptionGetParameter(long h, String key);
    public native int VRNvarnelExceptionGetCountOfParameter(long h);
    public native String VRNvarnelExceptionGetKey(long h, int index);
}
