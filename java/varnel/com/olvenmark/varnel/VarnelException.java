package com.olvenmark.varnel;

/**
 * The exception of the whole HL7 bridge. Made around an error handle (the (J)V
 * constructor) it owns that handle's one reference; made from a text it carries only the
 * text.
 */
public class VarnelException extends RuntimeException {
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
}
