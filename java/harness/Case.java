package harness;

/** One test case: passes when it returns, fails with whatever it throws. */
@FunctionalInterface
public interface Case {
    void run() throws Throwable;
}
