package com.olvenmark.varnel;

import java.lang.ref.Cleaner;

/**
 * The exception of the whole HL7 bridge. Made around an error handle (the (J)V
 * constructor) it owns that handle's one reference, which it gives back once: through
 * {@link #release()}, through its own release native given its own handle (the contract's
 * way, which is release() then), or once it is no longer reachable, whichever comes first;
 * a native in flight on the handle through {@link #use()} keeps it until it has left. Its
 * message is the error's description, read when it is made. Made from a text it carries
 * only the text, and so does a deserialized copy: the handle stays with the original. The
 * natives read an error object's description and named parameters, count references on
 * it, and make a new one from a text; their texts are the JVM's own modified UTF-8,
 * unchanged.
 */
public class VarnelException extends RuntimeException {
    static {
        System.loadLibrary("vrn_java");
    }

    private static final long serialVersionUID = 1L;

    // One thread for every exception of the class. A cleaning action holds only the
    // handle's state, never the exception, or the exception could not become unreachable.
    private static final Cleaner CLEANER = Cleaner.create();
    // The natives take the handle as an argument; this object only carries their calls
    // for the actions and the constructor, which have no exception of their own to use.
    // It keeps no stack trace, which would hold the classes (and their loaders) of
    // whatever first used this class. It owns no handle, so its release native releases
    // whatever it is given.
    private static final VarnelException NATIVES = new VarnelException();
    // The use of an exception without an error handle: its handle is 0.
    private static final OwnedHandle NONE = OwnedHandle.borrowed(0, "VarnelException");

    private final transient OwnedHandle error;
    private final transient Cleaner.Cleanable cleanable;

    public VarnelException(long handle) {
        super(describe(handle));
        this.error = handle != 0 ? new ErrorReference(handle) : null;
        this.cleanable = error != null ? CLEANER.register(this, error::close) : null;
    }

    public VarnelException(String message) {
        super(message);
        this.error = null;
        this.cleanable = null;
    }

    private VarnelException() {
        super(null, null, false, false);
        this.error = null;
        this.cleanable = null;
    }

    /**
     * Gives the error's reference back, once however many threads call it: now, or when the
     * last native in flight on it has left. handle() is 0 from then on.
     */
    public void release() {
        if (cleanable != null) {
            cleanable.clean();
        }
    }

    /** The error handle, 0 once released, and for an exception made from a text or deserialized. */
    public long handle() {
        return error != null ? error.value() : 0;
    }

    /**
     * The error's handle held open for the natives a block calls with it ({@link HandleUse}),
     * its handle 0 for an exception without one; a VarnelException once released.
     */
    public HandleUse use() {
        return new HandleUse(error != null ? error : NONE);
    }

    /**
     * Asked by vrn_java's release native before it releases anything: given this exception's
     * own handle while the exception holds it, that release is this object's release(), and
     * the answer is true. Any other value (false) the native releases as it stands.
     */
    final boolean releaseOwn(long h) {
        if (error == null || !error.owns(h) || error.value() == 0) {
            return false;
        }
        release();
        return true;
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

    private static final class ErrorReference extends OwnedHandle {
        ErrorReference(long handle) {
            super(handle, "VarnelException");
        }

        @Override
        void giveBack(long handle) {
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
