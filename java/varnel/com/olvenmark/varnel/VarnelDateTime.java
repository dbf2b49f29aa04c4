package com.olvenmark.varnel;

import java.util.concurrent.atomic.AtomicLong;

/**
 * A date-time of vrn_core: its DATE value, second fraction, zone, offset in minutes and
 * null state, and formatting by a pattern. Made here it owns one reference, given back by
 * {@link #release()}.
 */
public class VarnelDateTime {
    static {
        System.loadLibrary("vrn_java");
    }

    private final AtomicLong handle = new AtomicLong();

    public VarnelDateTime() {
        handle.set(VRNdateTimeCreate());
    }

    public long handle() {
        return handle.get();
    }

    public void release() {
        // Whoever takes the handle first gives it back; every other caller finds 0.
        long dateTime = handle.getAndSet(0);
        if (dateTime != 0) {
            VRNdateTimeRelease(dateTime);
        }
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
