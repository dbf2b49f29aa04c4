package harness;

import java.io.PrintWriter;
import java.io.StringWriter;

/**
 * Runs the cases of the suites named on the command line, one line per case, and closes
 * with "N passed, N failed" (cmake/JvmRun.cmake reads that line). Exits 1 when a case failed.
 */
public final class Runner {
    private Runner() {}

    public static void main(String[] args) throws Exception {
        int passed = 0;
        int failed = 0;
        for (String suiteName : args) {
            Suite suite = (Suite) Class.forName(suiteName).getDeclaredConstructor().newInstance();
            Cases table = new Cases();
            suite.cases(table);
            for (int i = 0; i < table.names.size(); ++i) {
                String name = suiteName + "." + table.names.get(i);
                try {
                    table.bodies.get(i).run();
                    ++passed;
                    System.out.println("ok   " + name);
                } catch (Throwable thrown) {
                    ++failed;
                    StringWriter trace = new StringWriter();
                    thrown.printStackTrace(new PrintWriter(trace));
                    System.out.println("FAIL " + name + ": " + trace);
                }
            }
        }
        System.out.println(passed + " passed, " + failed + " failed");
        System.out.flush();
        System.exit(failed == 0 ? 0 : 1);
    }
}
