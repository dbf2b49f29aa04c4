package framework;

/** The bridge exception class of the framework's JVM suites, with both constructors a bridge's class has. */
public class TestException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    public final long handle;
    public final boolean madeFromHandle;

    public TestException(long handle) {
        super((String) null);
        this.handle = handle;
        this.madeFromHandle = true;
    }

    public TestException(String message) {
        super(message);
        this.handle = 0;
        this.madeFromHandle = false;
    }
}
