package framework;

/** The conversions of Java strings to and from UTF-8, exposed by the test library tlmjavastringtest. */
final class TextNatives {
    static {
        System.loadLibrary("tlmjavastringtest");
    }

    private TextNatives() {}

    /** The string of UTF-8 bytes, read as a NUL-terminated text. */
    static native String fromUtf8(byte[] utf8);

    static native byte[] toUtf8(String text);
}
