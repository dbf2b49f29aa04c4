package com.olvenmark.varnel;

/**
 * One HL7 engine of vrn_core: load a definition, parse messages into tables, generate,
 * transform, acknowledge, translate and print them. The natives forward to vrn_core through
 * vrn_java; a failure arrives as a VarnelException. Log lines of the engine reach
 * {@link #log(String)}, on whatever thread vrn_core logs them. The natives take the
 * engine's handle (and a table's) as an argument: a caller takes each from use(), which
 * holds it open for the natives of one block, so that a release() on another thread
 * meanwhile gives nothing back under them.
 */
public class Engine {
    static {
        System.loadLibrary("vrn_java");
    }

    /** Hears the engine's log lines. */
    public interface LogListener {
        void log(String line);
    }

    private final ListenedHandle handle;
    private volatile LogListener listener;

    public Engine() {
        handle = new ListenedHandle(VRNengineCreate(), "Engine") {
            @Override
            void giveBack(long engine, long reference) {
                VRNengineRelease(engine, reference);
            }
        };
    }

    /** The engine's handle, 0 once released. A value read here is held open by nothing: see {@link #use()}. */
    public long handle() {
        return handle.value();
    }

    /** The handle held open for the natives a block calls with it ({@link HandleUse}); a VarnelException once released. */
    public HandleUse use() {
        return new HandleUse(handle);
    }

    /** Registers this object's log callback with the engine, once. */
    public void setLogListener(LogListener listener) {
        this.listener = listener;
        handle.listen(this::VRNengineAddListener);
    }

    /** Called by vrn_java for each log line. */
    public void log(String line) {
        LogListener current = listener;
        if (current != null) {
            current.log(line);
        }
    }

    /**
     * Gives Java's reference to the engine back, and the listener's with it, once however
     * many threads call it: now, or when the last call in flight has left. Every call after
     * it raises a VarnelException.
     */
    public void release() {
        handle.close();
    }

    public native int VRNengineAckMessageIndex(long h);
    public native int VRNengineIgnoreMessageIndex(long h);
    public native long VRNengineConfigHandle(long h);
    public native int VRNengineConfigIndex(long h);
    public native void VRNengineSetConfigIndex(long h, int a);
    public native void VRNengineSetOutConfigIndex(long h, int a);
    public native void VRNengineSetInConfigIndex(long h, int a);
    public native int VRNengineOutConfigIndex(long h);
    public native int VRNengineInConfigIndex(long h);
    public native int VRNengineCountOfMessageIdentifier(long h, int a);
    public native long VRNengineCreate();
    public native void VRNengineAddRef(long h);
    public native long VRNengineAddListener(long h);
    public native void VRNengineRelease(long h, long a);
    public native void VRNengineLoad(long h, String a);
    public native int VRNengineParseMessage(long h, String a, long b);
    public native String VRNengineGenerateMessage(long h, int a, long b);
    public native void VRNengineCreateEmptyMessageTable(long h, int a, long b);
    public native int VRNengineGetMinorVersion(long h);
    public native int VRNengineGetMajorVersion(long h);
    public native int VRNengineGetBuildNumber(long h);
    public native void VRNengineSetRejectBadSegmentGrammarFlag(long h, boolean a);
    public native int VRNengineCountOfMessage(long h);
    public native String VRNengineMessageName(long h, int a);
    public native String VRNengineTransformMessage(long h, String a, int b, int c);
    public native int VRNengineGetCountOfConfig(long h);
    public native String VRNengineGetNameOfConfig(long h, int a);
    public native String VRNengineGenerateAckFromMessage(long h, String a);
    public native String VRNengineTranslateMessageToXml(long h, String a);
    public native String VRNengineTranslateXmlToMessage(long h, String a);
    public native String VRNengineTranslateZivuzuverHl7ToXmlHl7(long h, String a);
    public native String VRNengineTranslateXmlHl7ToZivuzuverHl7(long h, String a);
    public native void VRNengineGenerateSchema(long h, String a);
    public native String VRNengineMessageIdentifier(long h, int a, int b);
    public native void VRNengineSetPythonKeyValuePair(long h, String a, String b);
    public native String VRNengineMakeMessagePrintable(long h, String a);
    public native boolean VRNengineWillEdiTranslateToXml(long h, String a);
    public native boolean VRNengineWillXmlTranslateToEdi(long h, String a);
    public native String VRNengineTranslateXmlToEdiWithErrorIfItFails(long h, String a);
    public native String VRNengineTranslateEdiToXmlWithErrorIfItFails(long h, String a);
}
