package com.olvenmark.varnel;

import java.util.concurrent.atomic.AtomicLong;

/**
 * sockmod2's translation locale, which is the process's own: the current one and the list
 * of those available, by count and index. An object made here also holds one reference to
 * sockmod2's encoding object, given back by {@link #release()}.
 */
public class VarnelEncoding {
    static {
        System.loadLibrary("vrn_java");
    }

    private final AtomicLong handle = new AtomicLong();

    public VarnelEncoding() {
        handle.set(VRNvarnelEncodingCreate());
    }

    public long handle() {
        return handle.get();
    }

    public void release() {
        // Whoever takes the handle first gives it back; every other caller finds 0.
        long encoding = handle.getAndSet(0);
        if (encoding != 0) {
            VRNvarnelEncodingRelease(encoding);
        }
    }

    public native long VRNvarnelEncodingCreate();
    public native void VRNvarnelEncodingAddRef(long h);
    public native void VRNvarnelEncodingRelease(long h);
    public native String VRNvarnelEncodingGetCurrentTranslationLocale();
    public native void VRNvarnelEncodingSetCurrentTranslationLocale(String newLocale);
    public native int VRNvarnelEncodingCountOfTranslationLocale();
    public native String VRNvarnelEncodingTranslationLocale(int index);
}
