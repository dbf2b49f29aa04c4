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

    private final OwnedHandle handle;

    public VarnelEncoding() {
        handle = new OwnedHandle(VRNvarnelEncodingCreate(), "VarnelEncoding") {
            @Override
            void giveBack(long encoding) {
                VRNvarnelEncodingRelease(encoding);
            }
        };
    }

    /** The handle, 0 once released. */
    public long handle() {
        return handle.value();
    }

    /** Gives the reference back, once however many threads call it. */
    public void release() {
        handle.close();
    }

    public native long VRNvarnelEncodingCreate();
    public native void VRNvarnelEncodingAddRef(long h);
    public native void VRNvarnelEncodingRelease(long h);
    public native String VRNvarnelEncodingGetCurrentTranslationLocale();
    public native void VRNvarnelEncodingSetCurrentTranslationLocale(String newLocale);
    public native int VRNvarnelEncodingCountOfTranslationLocale();
    public native String VRNvarnelEncodingTranslationLocale(int index);
}
