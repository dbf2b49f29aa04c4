package com.olvenmark.varnel;

/**
 * One LLP connection that an {@link LlpServer} accepted. An object handed to a listener or
 * returned by {@link LlpServer#connection(int)} wraps a handle that sockmod2 owns and holds
 * no reference of its own; only an object made by {@link #LlpConnection()} owns one.
 */
public class LlpConnection {
    static {
        System.loadLibrary("vrn_java");
    }

    private volatile long handle;
    private final boolean owned;

    public LlpConnection() {
        handle = VRNconnectionCreate();
        owned = true;
    }

    /** Wraps a connection handle as it stands, adding no reference. */
    public LlpConnection(long handle) {
        this.handle = handle;
        owned = false;
    }

    public long handle() {
        return handle;
    }

    public int id() {
        return VRNconnectionGetId(handle);
    }

    public String remoteHostName() {
        return VRNconnectionGetRemoteHostName(handle);
    }

    public int remoteIpAddress() {
        return VRNconnectionGetRemoteIpAddress(handle);
    }

    public String remoteIpAddressAsString() {
        return VRNconnectionGetRemoteIpAddressAsString(handle);
    }

    public void sendMessage(String message) {
        VRNconnectionSendMessage(handle, message);
    }

    public void close() {
        VRNconnectionClose(handle);
    }

    public void hardClose() {
        VRNconnectionHardClose(handle);
    }

    /** Gives back the reference of a connection this object made; a wrapper has none. */
    public void release() {
        if (owned && handle != 0) {
            long connection = take();
            if (connection != 0) {
                VRNconnectionRelease(connection);
            }
        }
    }

    /** The handle, for the one caller of release() that finds it; 0 for every other. */
    private synchronized long take() {
        long taken = handle;
        handle = 0;
        return taken;
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
