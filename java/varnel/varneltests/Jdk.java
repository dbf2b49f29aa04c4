package varneltests;

/**
 * vrn_java accepts only Java runtimes that call themselves 0.x or 1.x with x up to 7, and
 * ends the process at the first engine otherwise; the suites run on a newer runtime, so
 * they name an accepted version before any engine is made.
 */
public final class Jdk {
    public static final String ACCEPTED = "1.7.0_80";

    private Jdk() {}

    public static void accept() {
        System.setProperty("java.version", ACCEPTED);
    }
}
