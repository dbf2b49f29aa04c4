package com.olvenmark.varnel;

/**
 * sockmod2's translation locale, which is the process's own: the current one and the list
 * of those available, by count and index. An object made here also holds one reference to
 * sockmod2's encoding object, given back by {@link #release()}.
 */
public class VarnelEncoding {
    static {
        System.loadLibrary("vrn_java");
    }

    private volatile long handle;

    public VarnelEncoding() {
        handle = VRNvarnelEncodingCreate();
    }

    public long handle() {
        return handle;
    }

    public void release() {
        if (handle != 0) {
            long encoding = take();
            if (encoding != 0) {
                VRNvarnelEncodingRelease(encoding);
            }
        }
    }

    /** The handle, for the one caller of release() that finds it; 0 for every other. */
    private synchronized long take() {
        long taken = handle;
        handle = 0;
        return taken;
    }

    public native long VRNvarnelEncodingCreate();
    public native void VRNvarnelEncodingAddRef(long h);
    public native void VRNvarnelEncodingRelease(long h);
    public native String VRNvarnelEncodingGetCurrentTranslationLocale();
    public native void VRNvarnelEncodingSetCurrentTranslationLocale(String newLocale);
    public native int VRNvarnelEncodingCountOfTranslationLocale();
    public native String VRNvarnelEncodingTranslationLocale(int index);
}
