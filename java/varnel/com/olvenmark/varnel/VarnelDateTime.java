package com.olvenmark.varnel;

/**
 * A date-time of vrn_core: its DATE value, second fraction, zone, offset in minutes and
 * null state, and formatting by a pattern. Made here it owns one reference, given back by
 * {@link #release()}. The natives take the handle as an argument: a caller takes it from
 * use(), which holds it open for the natives of one block.
 */
public class VarnelDateTime {
    static {
        System.loadLibrary("vrn_java");
    }

    private final OwnedHandle handle;

    public VarnelDateTime() {
        handle = new OwnedHandle(VRNdateTimeCreate(), "VarnelDateTime") {
            @Override
            void giveBack(long dateTime) {
                VRNdateTimeRelease(dateTime);
            }
        };
    }

    /** The handle, 0 once released. A value read here is held open by nothing: see {@link #use()}. */
    public long handle() {
        return handle.value();
    }

    /** The handle held open for the natives a block calls with it ({@link HandleUse}); a VarnelException once released. */
    public HandleUse use() {
        return new HandleUse(handle);
    }

    /** Gives the reference back once however many threads call it: now, or when the last call in flight has left. */
    public void release() {
        handle.close();
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
