package com.olvenmark.varnel;

/**
 * One LLP connection that an {@link LlpServer} accepted. An object handed to a listener or
 * returned by {@link LlpServer#connection(int)} wraps a handle that sockmod2 owns and holds
 * no reference of its own; only an object made by {@link #LlpConnection()} owns one, which
 * its methods hold open for their calls, as LlpServer's do.
 */
public class LlpConnection {
    static {
        System.loadLibrary("vrn_java");
    }

    private final OwnedHandle handle;
    private final boolean owned;

    public LlpConnection() {
        handle = new OwnedHandle(VRNconnectionCreate(), "LlpConnection") {
            @Override
            void giveBack(long connection) {
                VRNconnectionRelease(connection);
            }
        };
        owned = true;
    }

    /** Wraps a connection handle as it stands, adding no reference. */
    public LlpConnection(long handle) {
        this.handle = OwnedHandle.borrowed(handle, "LlpConnection");
        owned = false;
    }

    /** The connection's handle, 0 once an owner's release() has given it back. */
    public long handle() {
        return handle.value();
    }

    public int id() {
        long h = handle.enter();
        try { return VRNconnectionGetId(h); } finally { handle.leave(); }
    }

    public String remoteHostName() {
        long h = handle.enter();
        try { return VRNconnectionGetRemoteHostName(h); } finally { handle.leave(); }
    }

    public int remoteIpAddress() {
        long h = handle.enter();
        try { return VRNconnectionGetRemoteIpAddress(h); } finally { handle.leave(); }
    }

    public String remoteIpAddressAsString() {
        long h = handle.enter();
        try { return VRNconnectionGetRemoteIpAddressAsString(h); } finally { handle.leave(); }
    }

    public void sendMessage(String message) {
        long h = handle.enter();
        try { VRNconnectionSendMessage(h, message); } finally { handle.leave(); }
    }

    public void close() {
        long h = handle.enter();
        try { VRNconnectionClose(h); } finally { handle.leave(); }
    }

    public void hardClose() {
        long h = handle.enter();
        try { VRNconnectionHardClose(h); } finally { handle.leave(); }
    }

    /**
     * Gives back the reference of a connection this object made, once however many threads
     * call it: now, or when the last call in flight has left; every call after it raises a
     * VarnelException. A wrapper has no reference, and this does nothing.
     */
    public void release() {
        if (owned) {
            handle.close();
        }
    }

    public native long VRNconnectionCreate();
    public native void VRNconnectionAddRef(long h);
    public native void VRNconnectionRelease(long h);
    public native String VRNconnectionGetRemoteHostName(long h);
    public native int VRNconnectionGetId(long h);
    public native int VRNconnectionGetRemoteIpAddress(long h);
    public native String VRNconnectionGetRemoteIpAddressAsString(long h);
    public native void VRNconnectionSendMessage(long h, String a);
    public native void VRNconnectionClose(long h);
    public native void VRNconnectionHardClose(long h);
}
