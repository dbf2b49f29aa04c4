package harness;

/** A group of JVM test cases: lists its cases, by name, into the runner's table. */
public interface Suite {
    void cases(Cases table);
}
