package com.olvenmark.varnel;

/**
 * An LLP client over sockmod2's client object: it connects to a server, sends HL7 messages
 * framed with its header and trailer blocks, and hands its events to one
 * {@link LlpClientListener}. The event methods below are what vrn_java calls.
 */
public class LlpClient {
    static {
        System.loadLibrary("vrn_java");
    }

    private volatile long handle;
    private long listenerReference;
    private volatile LlpClientListener listener;

    public LlpClient() {
        handle = VRNclientCreate();
    }

    public long handle() {
        return handle;
    }

    /** Sets the listener; the first call registers this object with the library. */
    public void setListener(LlpClientListener listener) {
        this.listener = listener;
        synchronized (this) {
            if (listenerReference == 0) {
                listenerReference = VRNclientAddListener(handle);
            }
        }
    }

    /** Ends the listener's events and gives Java's reference to the client back. */
    public void release() {
        long client;
        long reference;
        // Taken by the one caller that finds them; the native runs outside the lock, as it
        // may wait for events in flight whose listeners use this object.
        synchronized (this) {
            client = handle;
            reference = listenerReference;
            handle = 0;
            listenerReference = 0;
        }
        if (client != 0) {
            VRNclientRelease(client, reference);
        }
    }

    public String headerBlock() {
        return VRNclientGetHeaderBlock(handle);
    }

    public void setHeaderBlock(String block) {
        VRNclientSetHeaderBlock(handle, block);
    }

    public String trailerBlock() {
        return VRNclientGetTrailerBlock(handle);
    }

    public void setTrailerBlock(String block) {
        VRNclientSetTrailerBlock(handle, block);
    }

    public boolean isConnected() {
        return VRNclientGetIsConnected(handle);
    }

    public void connect(String host, int port) {
        VRNclientConnect(handle, host, port);
    }

    public void sendMessage(String message) {
        VRNclientSendMessage(handle, message);
    }

    public void close() {
        VRNclientClose(handle);
    }

    public void hardClose() {
        VRNclientHardClose(handle);
    }

    /** Runs the library's message loop on this thread until {@link #stopMessageLoop()}. */
    public void runMessageLoop() {
        VRNclientRunMessageLoop(handle);
    }

    public void stopMessageLoop() {
        VRNclientStopMessageLoop(handle);
    }

    public String makePrintable(String message, String newLine, int width) {
        return VRNclientMakePrintable(handle, message, newLine, width);
    }

    public void connected() {
        LlpClientListener current = listener;
        if (current != null) current.connected();
    }

    public void closed() {
        LlpClientListener current = listener;
        if (current != null) current.closed();
    }

    public void messageReceived(String message) {
        LlpClientListener current = listener;
        if (current != null) current.messageReceived(message);
    }

    public void dataIgnored(String data) {
        LlpClientListener current = listener;
        if (current != null) current.dataIgnored(data);
    }

    public void errorReceived(String text, int code) {
        LlpClientListener current = listener;
        if (current != null) current.errorReceived(text, code);
    }

    public native long VRNclientCreate();
    public native void VRNclientAddRef(long h);
    public native long VRNclientAddListener(long h);
    public native void VRNclientRelease(long h, long a);
    public native String VRNclientGetHeaderBlock(long h);
    public native void VRNclientSetHeaderBlock(long h, String a);
    public native String VRNclientGetTrailerBlock(long h);
    public native void VRNclientSetTrailerBlock(long h, String a);
    public native boolean VRNclientGetIsConnected(long h);
    public native void VRNclientStopMessageLoop(long h);
    public native void VRNclientRunMessageLoop(long h);
    public native String VRNclientMakePrintable(long h, String a, String b, int c);
    public native void VRNclientConnect(long h, String a, int b);
    public native void VRNclientClose(long h);
    public native void VRNclientHardClose(long h);
    public native void VRNclientSendMessage(long h, String a);
}
