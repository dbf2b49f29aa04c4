package harness;

import java.util.Objects;

/** The checks of the JVM suites; a failed check says what was expected and what came. */
public final class Check {
    private Check() {}

    public static void equal(Object expected, Object actual, String what) {
        if (!Objects.equals(expected, actual)) {
            throw new AssertionError(what + ": expected <" + expected + "> but got <" + actual + ">");
        }
    }

    public static void near(double expected, double actual, double tolerance, String what) {
        if (!(Math.abs(expected - actual) <= tolerance)) {
            throw new AssertionError(what + ": expected <" + expected + "> within " + tolerance + " but got <" + actual + ">");
        }
    }

    public static void isTrue(boolean condition, String what) {
        if (!condition) {
            throw new AssertionError(what);
        }
    }

    public static void contains(String text, String part, String what) {
        if (text == null || !text.contains(part)) {
            throw new AssertionError(what + ": <" + part + "> not found in <" + text + ">");
        }
    }

    /** Runs the body and returns what it threw, which must be of the given class. */
    public static <T extends Throwable> T throwsOf(Class<T> type, Case body) {
        try {
            body.run();
        } catch (Throwable thrown) {
            if (type.isInstance(thrown)) {
                return type.cast(thrown);
            }
            throw new AssertionError("expected " + type.getName() + " but got " + thrown, thrown);
        }
        throw new AssertionError("expected " + type.getName() + " but nothing was thrown");
    }
}
