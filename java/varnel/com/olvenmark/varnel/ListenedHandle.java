package com.olvenmark.varnel;

import java.util.function.LongUnaryOperator;

/**
 * The handle of an object that registers itself as its library's listener (Engine,
 * LlpServer, LlpClient), with the listener reference that its release native gives back
 * together with the handle. Registration and the release take the reference under this
 * object's lock; the release native runs outside it, as it may wait for events in flight
 * whose listeners use the object.
 */
abstract class ListenedHandle extends OwnedHandle {
    private long listener; // under this object's lock

    ListenedHandle(long handle, String owner) {
        super(handle, owner);
    }

    /** Gives the handle back with the listener reference, 0 for none; once, with no call in flight. */
    abstract void giveBack(long handle, long listener);

    /** Registers the object once: add is given the handle while no listener is registered. */
    final void listen(LongUnaryOperator add) {
        long h = enter();
        try {
            synchronized (this) {
                if (listener == 0) {
                    listener = add.applyAsLong(h);
                }
            }
        } finally {
            leave();
        }
    }

    @Override
    final void giveBack(long handle) {
        long reference;
        synchronized (this) {
            reference = listener;
            listener = 0;
        }
        giveBack(handle, reference);
    }
}
