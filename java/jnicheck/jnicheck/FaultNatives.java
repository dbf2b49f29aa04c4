package jnicheck;

/** The misuses of JNI that -Xcheck:jni warns about, from the test library jnicheckfault. */
final class FaultNatives {
    static {
        System.loadLibrary("jnicheckfault");
    }

    private FaultNatives() {}

    static native void overflowLocalReferences();
    static native void skipExceptionCheck();
    static native void callInsideCritical(int[] values);
    static native int formatFreedName();
}
