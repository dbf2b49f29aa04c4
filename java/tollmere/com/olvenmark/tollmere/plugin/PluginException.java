package com.olvenmark.tollmere.plugin;

/**
 * An error of the engine library. Built around one of its error objects, it takes that
 * object's description as its message and gives the object's reference back, as the last
 * step of its construction: when the construction fails before (the JVM out of stack or
 * memory), the reference is still the bridge's, which gives it back itself. Built from a
 * text, it carries no object.
 */
public class PluginException extends Exception {
    private static final long serialVersionUID = 1L;

    static {
        System.loadLibrary("tlm_java");
    }

    private final String description;

    public PluginException(String message) {
        super(message);
        description = message;
    }

    public PluginException(long handle) {
        super();
        description = adopt(handle);
    }

    @Override
    public String getMessage() {
        return description;
    }

    /**
     * 0: an error object this exception was built around is given back while it is made,
     * so there is no handle left to hand to a native.
     */
    public long getHandle() {
        return 0;
    }

    private static String adopt(long handle) {
        String message;
        try {
            message = PluginExceptionGetMessage(handle);
        } catch (PluginException unreadable) {
            message = unreadable.getMessage();
        }
        try {
            PluginExceptionRelease(handle);
        } catch (PluginException ignored) {
            // The object is the library's; a failed release leaves nothing here to undo.
        }
        return message;
    }

    public static native long PluginExceptionCreate(String message) throws PluginException;
    public static native void PluginExceptionAddRef(long handle) throws PluginException;
    public static native void PluginExceptionRelease(long handle) throws PluginException;
    public static native String PluginExceptionGetMessage(long handle) throws PluginException;
}
