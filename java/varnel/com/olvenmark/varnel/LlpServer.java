package com.olvenmark.varnel;

/**
 * An LLP server over sockmod2's listener: it frames HL7 messages with its header and
 * trailer blocks, listens on a port, accepts connections and hands their events to one
 * {@link LlpServerListener}. The event methods below are what vrn_java calls; they pass
 * each event on to the listener set last.
 */
public class LlpServer {
    static {
        System.loadLibrary("vrn_java");
    }

    private volatile long handle;
    private long listenerReference;
    private volatile LlpServerListener listener;

    public LlpServer() {
        handle = VRNlistenerCreate();
    }

    public long handle() {
        return handle;
    }

    /** Sets the listener; the first call registers this object with the library. */
    public void setListener(LlpServerListener listener) {
        this.listener = listener;
        synchronized (this) {
            if (listenerReference == 0) {
                listenerReference = VRNlistenerAddListener(handle);
            }
        }
    }

    /** Ends the listener's events and gives Java's reference to the listener back. */
    public void release() {
        long server;
        long reference;
        // Taken by the one caller that finds them; the native runs outside the lock, as it
        // may wait for events in flight whose listeners use this object.
        synchronized (this) {
            server = handle;
            reference = listenerReference;
            handle = 0;
            listenerReference = 0;
        }
        if (server != 0) {
            VRNlistenerRelease(server, reference);
        }
    }

    public int port() {
        return VRNlistenerGetPort(handle);
    }

    public String host() {
        return VRNlistenerGetHost(handle);
    }

    public void setHost(String host) {
        VRNlistenerSetHost(handle, host);
    }

    public String headerBlock() {
        return VRNlistenerGetHeaderBlock(handle);
    }

    public void setHeaderBlock(String block) {
        VRNlistenerSetHeaderBlock(handle, block);
    }

    public String trailerBlock() {
        return VRNlistenerGetTrailerBlock(handle);
    }

    public void setTrailerBlock(String block) {
        VRNlistenerSetTrailerBlock(handle, block);
    }

    public boolean isListening() {
        return VRNlistenerGetIsListening(handle);
    }

    public LlpConnection connection(int index) {
        return VRNlistenerGetConnection(handle, index);
    }

    public int countOfConnection() {
        return VRNlistenerCountOfConnection(handle);
    }

    public void startListen(int port) {
        VRNlistenerStartListen(handle, port);
    }

    public void stopListen() {
        VRNlistenerStopListen(handle);
    }

    public void closeAll() {
        VRNlistenerCloseAll(handle);
    }

    /** Runs the library's message loop on this thread until {@link #stopMessageLoop()}. */
    public void runMessageLoop() {
        VRNlistenerRunMessageLoop(handle);
    }

    public void stopMessageLoop() {
        VRNlistenerStopMessageLoop(handle);
    }

    public String makePrintable(String message, String newLine, int width) {
        return VRNlistenerMakePrintable(handle, message, newLine, width);
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
