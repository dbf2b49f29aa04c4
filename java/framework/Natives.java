package framework;

import java.util.Date;

/** The framework's roads, exposed by the test library jniframeworktest. */
final class Natives {
    static {
        System.loadLibrary("jniframeworktest");
    }

    static final String EXCEPTION = "framework/TestException";

    private Natives() {}

    static native void checkString(String classPath, String value);
    static native void checkDate(String classPath, Date value);
    static native void checkDllResult(String classPath, long handle);
    static native void throwDescribed(String classPath, String description, boolean withParameters);
    static native void throwOverPending(String classPath, long handle, String description);
    static native Object createObject(String classPath, long handle);

    static native double dateGet(Date date);
    static native Date dateCreate(double value);
    static native void dateSet(Date date, double value);
    static native double fromMilliseconds(long milliseconds);
    static native long toMilliseconds(double value);

    /** Returns what GetEnv answers on the calling thread once the callback's scope has ended. */
    static native int callBackFromNewThread(Runnable body);
    static native int callBackOnThisThread(Runnable body);
}
