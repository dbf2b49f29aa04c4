package com.olvenmark.varnel;

/**
 * A date-time of vrn_core: its DATE value, second fraction, zone, offset in minutes and
 * null state, and formatting by a pattern. Made here it owns one reference, given back by
 * {@link #release()}.
 */
public class VarnelDateTime {
    static {
        System.loadLibrary("vrn_java");
    }

    private volatile long handle;

    public VarnelDateTime() {
        handle = VRNdateTimeCreate();
    }

    public long handle() {
        return handle;
    }

    public void release() {
        if (handle != 0) {
            long dateTime = take();
            if (dateTime != 0) {
                VRNdateTimeRelease(dateTime);
            }
        }
    }

    /** The handle, for the one caller of release() that finds it; 0 for every other. */
    private synchronized long take() {
        long taken = handle;
        handle = 0;
        return taken;
    }

    public native long VRNdateTimeCreate();
    public native void VRNdateTimeAddRef(long h);
    public native void VRNdateTimeRelease(long h);
    public native double VRNdateTimeGetDATE(long h);
    public native double VRNdateTimeGetSecondFraction(long h);
    public native short VRNdateTimeGetZone(long h);
    public native short VRNdateTimeGetOffsetInMinutes(long h);
    public native short VRNdateTimeGetOffsetIsDefined(long h);
    public native void VRNdateTimeSetDATE(long h, double value);
    public native void VRNdateTimeSetSecondFraction(long h, double value);
    public native void VRNdateTimeSetZone(long h, short value);
    public native void VRNdateTimeSetOffsetInMinutes(long h, short first, short second);
    public native boolean VRNdateTimeIsNull(long h);
    public native String VRNdateTimeFormat(long h, String format);
}
