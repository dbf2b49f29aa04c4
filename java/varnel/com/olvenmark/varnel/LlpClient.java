package com.olvenmark.varnel;

/**
 * An LLP client over sockmod2's client object: it connects to a server, sends HL7 messages
 * framed with its header and trailer blocks, and hands its events to one
 * {@link LlpClientListener}. The event methods below are what vrn_java calls. Each other
 * method holds the handle open for its call, as LlpServer's do.
 */
public class LlpClient {
    static {
        System.loadLibrary("vrn_java");
    }

    private final ListenedHandle handle;
    private volatile LlpClientListener listener;

    public LlpClient() {
        handle = new ListenedHandle(VRNclientCreate(), "LlpClient") {
            @Override
            void giveBack(long client, long reference) {
                VRNclientRelease(client, reference);
            }
        };
    }

    /** The client's handle, 0 once released; the methods below hold it open for their calls. */
    public long handle() {
        return handle.value();
    }

    /** Sets the listener; the first call registers this object with the library. */
    public void setListener(LlpClientListener listener) {
        this.listener = listener;
        handle.listen(this::VRNclientAddListener);
    }

    /**
     * Ends the listener's events and gives Java's reference to the client back, once however
     * many threads call it: now, or when the last call in flight has left. Every call after
     * it raises a VarnelException.
     */
    public void release() {
        handle.close();
    }

    public String headerBlock() {
        long h = handle.enter();
        try { return VRNclientGetHeaderBlock(h); } finally { handle.leave(); }
    }

    public void setHeaderBlock(String block) {
        long h = handle.enter();
        try { VRNclientSetHeaderBlock(h, block); } finally { handle.leave(); }
    }

    public String trailerBlock() {
        long h = handle.enter();
        try { return VRNclientGetTrailerBlock(h); } finally { handle.leave(); }
    }

    public void setTrailerBlock(String block) {
        long h = handle.enter();
        try { VRNclientSetTrailerBlock(h, block); } finally { handle.leave(); }
    }

    public boolean isConnected() {
        long h = handle.enter();
        try { return VRNclientGetIsConnected(h); } finally { handle.leave(); }
    }

    public void connect(String host, int port) {
        long h = handle.enter();
        try { VRNclientConnect(h, host, port); } finally { handle.leave(); }
    }

    public void sendMessage(String message) {
        long h = handle.enter();
        try { VRNclientSendMessage(h, message); } finally { handle.leave(); }
    }

    public void close() {
        long h = handle.enter();
        try { VRNclientClose(h); } finally { handle.leave(); }
    }

    public void hardClose() {
        long h = handle.enter();
        try { VRNclientHardClose(h); } finally { handle.leave(); }
    }

    /**
     * Runs the library's message loop on this thread until {@link #stopMessageLoop()}. The
     * loop is the library's, not this client's, and takes no handle: it holds nothing open,
     * so a release() while it runs gives the client back at once.
     */
    public void runMessageLoop() {
        handle.requireOpen();
        VRNclientRunMessageLoop(0);
    }

    public void stopMessageLoop() {
        long h = handle.enter();
        try { VRNclientStopMessageLoop(h); } finally { handle.leave(); }
    }

    public String makePrintable(String message, String newLine, int width) {
        long h = handle.enter();
        try { return VRNclientMakePrintable(h, message, newLine, width); } finally { handle.leave(); }
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
