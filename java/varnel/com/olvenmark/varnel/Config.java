package com.olvenmark.varnel;

/**
 * One delimiter configuration of an engine: the separator of each level, the repeat
 * character and the escape character, each a single byte. The handle comes from
 * Engine.VRNengineConfigHandle and lives as long as its engine, whose use() holds it open
 * with the engine's own; AddRef and Release do nothing.
 */
public class Config {
    static {
        System.loadLibrary("vrn_java");
    }

    private final long handle;

    public Config(long handle) {
        this.handle = handle;
    }

    public long handle() {
        return handle;
    }

    public native void VRNconfigAddRef(long h);
    public native void VRNconfigRelease(long h);
    public native int VRNconfigCountOfDelimiter(long h);
    public native void VRNconfigSetDelimiterChar(long h, int level, char value);
    public native char VRNconfigGetDelimiterChar(long h, int level);
    public native void VRNconfigSetRepeatChar(long h, char value);
    public native char VRNconfigGetRepeatChar(long h);
    public native void VRNconfigSetEscapeChar(long h, char value);
    public native char VRNconfigGetEscapeChar(long h);
}
