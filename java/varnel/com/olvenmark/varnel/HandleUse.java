package com.olvenmark.varnel;

import java.lang.invoke.MethodHandles;
import java.lang.invoke.VarHandle;

/**
 * An object's handle held open for the natives one block calls with it: the road to the
 * natives of Engine, Table, VarnelDateTime and VarnelException, which take the handle as
 * an argument. While a use is open the object's release() only marks it released, and the
 * handle is given back when the last use has closed. use() of those classes makes one,
 * and raises a VarnelException once the object is released:
 *
 * <pre>
 *     try (HandleUse use = engine.use()) {
 *         engine.VRNengineLoad(use.handle(), fileName);
 *     }
 * </pre>
 *
 * What the library hands out from the handle for the object's lifetime (a table's
 * sub-table, an engine's Config) is held open by the same use. A value read from
 * {@link #handle()} and kept after {@link #close()} is held open by nothing.
 */
public final class HandleUse implements AutoCloseable {
    private static final VarHandle CLOSED = OwnedHandle.field(MethodHandles.lookup(), "closed", boolean.class);

    private final OwnedHandle owner;
    private final long handle;
    private volatile boolean closed; // set once, through CLOSED

    HandleUse(OwnedHandle owner) {
        this.handle = owner.enter();
        this.owner = owner;
    }

    /** The object's handle while this use is open, 0 after. */
    public long handle() {
        return closed ? 0 : handle;
    }

    /** Ends the use, once however often called. */
    @Override
    public void close() {
        if (!(boolean) CLOSED.getAndSet(this, true)) {
            owner.leave();
        }
    }
}
