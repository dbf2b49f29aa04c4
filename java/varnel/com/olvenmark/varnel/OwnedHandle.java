package com.olvenmark.varnel;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;

/**
 * A handle of vrn_core or sockmod2 that one object of this package owns, with the count of
 * the calls in flight beside it, as java.nio's channels keep theirs. A call enters before it
 * hands the handle to a native and leaves after; close() marks the handle closed, and it is
 * given back once, by whoever is last out: close() itself when no call is in flight, or the
 * last call in flight as it leaves. A call that enters once it is closed raises a
 * VarnelException and hands nothing on. Entering and leaving are one atomic add each: no
 * lock, no allocation.
 */
abstract class OwnedHandle {
    // The state: the calls in flight, counted in steps of CALL, above two flags.
    private static final long CLOSED = 1;
    private static final long GONE = 2;
    private static final long CALL = 4;
    private static final VarHandle STATE = field(MethodHandles.lookup(), "state", long.class);

    /** The field of the looking-up class for atomic access, which every class here has. */
    static VarHandle field(MethodHandles.Lookup lookup, String name, Class<?> type) {
        try {
            return lookup.findVarHandle(lookup.lookupClass(), name, type);
        } catch (ReflectiveOperationException impossible) {
            throw new ExceptionInInitializerError(impossible);
        }
    }

    private final long handle;
    private final String owner;
    private volatile long state; // read and written through STATE

    /** owner names the class in the text a call after close() raises. */
    OwnedHandle(long handle, String owner) {
        this.handle = handle;
        this.owner = owner;
    }

    /** A handle its library owns, which nothing here gives back: close() only ends its use. */
    static OwnedHandle borrowed(long handle, String owner) {
        return new Borrowed(handle, owner);
    }

    private static final class Borrowed extends OwnedHandle {
        Borrowed(long handle, String owner) {
            super(handle, owner);
        }

        @Override
        void giveBack(long handle) {
        }
    }

    /** Gives the handle back to its library; called once, with no call in flight. */
    abstract void giveBack(long handle);

    /** The handle, 0 once closed. */
    final long value() {
        return ((long) STATE.getVolatile(this) & CLOSED) != 0 ? 0 : handle;
    }

    /** Whether this is the handle it owns or owned. */
    final boolean owns(long value) {
        return value != 0 && value == handle;
    }

    /** The handle for one call, which then leaves; a VarnelException once closed. */
    final long enter() {
        long was = (long) STATE.getAndAdd(this, CALL);
        if ((was & CLOSED) != 0) {
            leave();
            throw new VarnelException(owner + " used after its release()");
        }
        return handle;
    }

    /** Raises what enter() raises once closed, holding nothing open. */
    final void requireOpen() {
        enter();
        leave();
    }

    /**
     * The end of a call. The last call out of a closed handle gives it back; what the library
     * says then is the release's, not this call's, and an error it raises is given back here.
     */
    final void leave() {
        boolean lastOut = (long) STATE.getAndAdd(this, -CALL) == CLOSED + CALL;
        if (lastOut && STATE.compareAndSet(this, CLOSED, CLOSED | GONE)) {
            try {
                giveBack(handle);
            } catch (VarnelException dropped) {
                dropped.release();
            }
        }
    }

    /**
     * Marks the handle closed, once however many threads call it: true for the one that did.
     * With no call in flight it gives the handle back now, raising what the library raised.
     */
    final boolean close() {
        long was = (long) STATE.getAndBitwiseOr(this, CLOSED);
        if ((was & CLOSED) != 0) {
            return false;
        }
        // A call entering meanwhile finds it closed; the last one out gives it back instead.
        if (was == 0 && STATE.compareAndSet(this, CLOSED, CLOSED | GONE)) {
            giveBack(handle);
        }
        return true;
    }
}
