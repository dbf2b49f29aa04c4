package com.olvenmark.varnel;

/**
 * An LLP server over sockmod2's listener: it frames HL7 messages with its header and
 * trailer blocks, listens on a port, accepts connections and hands their events to one
 * {@link LlpServerListener}. The event methods below are what vrn_java calls; they pass
 * each event on to the listener set last. Each other method holds the handle open for its
 * call: a release() on another thread meanwhile gives the server back once the last call
 * in flight has left, and a call after it raises a VarnelException.
 */
public class LlpServer {
    static {
        System.loadLibrary("vrn_java");
    }

    private final ListenedHandle handle;
    private volatile LlpServerListener listener;

    public LlpServer() {
        handle = new ListenedHandle(VRNlistenerCreate(), "LlpServer") {
            @Override
            void giveBack(long server, long reference) {
                VRNlistenerRelease(server, reference);
            }
        };
    }

    /** The server's handle, 0 once released; the methods below hold it open for their calls. */
    public long handle() {
        return handle.value();
    }

    /** Sets the listener; the first call registers this object with the library. */
    public void setListener(LlpServerListener listener) {
        this.listener = listener;
        handle.listen(this::VRNlistenerAddListener);
    }

    /**
     * Ends the listener's events and gives Java's reference to the server back, once however
     * many threads call it: now, or when the last call in flight has left. Every call after
     * it raises a VarnelException.
     */
    public void release() {
        handle.close();
    }

    public int port() {
        long h = handle.enter();
        try { return VRNlistenerGetPort(h); } finally { handle.leave(); }
    }

    public String host() {
        long h = handle.enter();
        try { return VRNlistenerGetHost(h); } finally { handle.leave(); }
    }

    public void setHost(String host) {
        long h = handle.enter();
        try { VRNlistenerSetHost(h, host); } finally { handle.leave(); }
    }

    public String headerBlock() {
        long h = handle.enter();
        try { return VRNlistenerGetHeaderBlock(h); } finally { handle.leave(); }
    }

    public void setHeaderBlock(String block) {
        long h = handle.enter();
        try { VRNlistenerSetHeaderBlock(h, block); } finally { handle.leave(); }
    }

    public String trailerBlock() {
        long h = handle.enter();
        try { return VRNlistenerGetTrailerBlock(h); } finally { handle.leave(); }
    }

    public void setTrailerBlock(String block) {
        long h = handle.enter();
        try { VRNlistenerSetTrailerBlock(h, block); } finally { handle.leave(); }
    }

    public boolean isListening() {
        long h = handle.enter();
        try { return VRNlistenerGetIsListening(h); } finally { handle.leave(); }
    }

    public LlpConnection connection(int index) {
        long h = handle.enter();
        try { return VRNlistenerGetConnection(h, index); } finally { handle.leave(); }
    }

    public int countOfConnection() {
        long h = handle.enter();
        try { return VRNlistenerCountOfConnection(h); } finally { handle.leave(); }
    }

    public void startListen(int port) {
        long h = handle.enter();
        try { VRNlistenerStartListen(h, port); } finally { handle.leave(); }
    }

    public void stopListen() {
        long h = handle.enter();
        try { VRNlistenerStopListen(h); } finally { handle.leave(); }
    }

    public void closeAll() {
        long h = handle.enter();
        try { VRNlistenerCloseAll(h); } finally { handle.leave(); }
    }

    /**
     * Runs the library's message loop on this thread until {@link #stopMessageLoop()}. The
     * loop is the library's, not this server's, and takes no handle: it holds nothing open,
     * so a release() while it runs gives the server back at once.
     */
    public void runMessageLoop() {
        handle.requireOpen();
        VRNlistenerRunMessageLoop(0);
    }

    public void stopMessageLoop() {
        long h = handle.enter();
        try { VRNlistenerStopMessageLoop(h); } finally { handle.leave(); }
    }

    public String makePrintable(String message, String newLine, int width) {
        long h = handle.enter();
        try { return VRNlistenerMakePrintable(h, message, newLine, width); } finally { handle.leave(); }
    }

    public void errorReceived(String text, int code) {
        LlpServerListener current = listener;
        if (current != null) current.errorReceived(text, code);
    }

    public void clientConnected(LlpConnection connection) {
        LlpServerListener current = listener;
        if (current != null) current.clientConnected(connection);
    }

    public void clientDisconnected(LlpConnection connection) {
        LlpServerListener current = listener;
        if (current != null) current.clientDisconnected(connection);
    }

    public void clientErrorReceived(LlpConnection connection, String text, int code) {
        LlpServerListener current = listener;
        if (current != null) current.clientErrorReceived(connection, text, code);
    }

    public void messageReceived(LlpConnection connection, String message) {
        LlpServerListener current = listener;
        if (current != null) current.messageReceived(connection, message);
    }

    public void dataIgnored(LlpConnection connection, String data) {
        LlpServerListener current = listener;
        if (current != null) current.dataIgnored(connection, data);
    }

    public native long VRNlistenerCreate();
    public native void VRNlistenerAddRef(long h);
    public native long VRNlistenerAddListener(long h);
    public native void VRNlistenerRelease(long h, long a);
    public native int VRNlistenerGetPort(long h);
    public native String VRNlistenerGetHost(long h);
    public native void VRNlistenerSetHost(long h, String a);
    public native String VRNlistenerGetHeaderBlock(long h);
    public native void VRNlistenerSetHeaderBlock(long h, String a);
    public native String VRNlistenerGetTrailerBlock(long h);
    public native void VRNlistenerSetTrailerBlock(long h, String a);
    public native boolean VRNlistenerGetIsListening(long h);
    public native LlpConnection VRNlistenerGetConnection(long h, int a);
    public native int VRNlistenerCountOfConnection(long h);
    public native void VRNlistenerStopMessageLoop(long h);
    public native void VRNlistenerRunMessageLoop(long h);
    public native void VRNlistenerStartListen(long h, int a);
    public native String VRNlistenerMakePrintable(long h, String a, String b, int c);
    public native void VRNlistenerStopListen(long h);
    public native void VRNlistenerCloseAll(long h);
}
