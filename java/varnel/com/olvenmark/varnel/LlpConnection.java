package com.olvenmark.varnel;

import java.util.concurrent.atomic.AtomicLong;

/**
 * One LLP connection that an {@link LlpServer} accepted. An object handed to a listener or
 * returned by {@link LlpServer#connection(int)} wraps a handle that sockmod2 owns and holds
 * no reference of its own; only an object made by {@link #LlpConnection()} owns one.
 */
public class LlpConnection {
    static {
        System.loadLibrary("vrn_java");
    }

    private final AtomicLong handle = new AtomicLong();
    private final boolean owned;

    public LlpConnection() {
        handle.set(VRNconnectionCreate());
        owned = true;
    }

    /** Wraps a connection handle as it stands, adding no reference. */
    public LlpConnection(long handle) {
        this.handle.set(handle);
        owned = false;
    }

    public long handle() {
        return handle.get();
    }

    public int id() {
        return VRNconnectionGetId(handle.get());
    }

    public String remoteHostName() {
        return VRNconnectionGetRemoteHostName(handle.get());
    }

    public int remoteIpAddress() {
        return VRNconnectionGetRemoteIpAddress(handle.get());
    }

    public String remoteIpAddressAsString() {
        return VRNconnectionGetRemoteIpAddressAsString(handle.get());
    }

    public void sendMessage(String message) {
        VRNconnectionSendMessage(handle.get(), message);
    }

    public void close() {
        VRNconnectionClose(handle.get());
    }

    public void hardClose() {
        VRNconnectionHardClose(handle.get());
    }

    /** Gives back the reference of a connection this object made; a wrapper has none. */
    public void release() {
        if (!owned) {
            return;
        }
        // Whoever takes the handle first gives it back; every other caller finds 0.
        long connection = handle.getAndSet(0);
        if (connection != 0) {
            VRNconnectionRelease(connection);
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
