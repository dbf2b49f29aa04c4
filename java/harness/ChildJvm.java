package harness;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.regex.Pattern;

/**
 * Runs a main class in a child JVM with this JVM's settings (its java, class path, library
 * path and -Xcheck:jni), for the cases that end the process. The child's standard output and
 * error come back as one text; the parent prints none of it, so a fatal error that the case
 * expects does not fail the parent's run. A child that has not ended within its time limit
 * is killed, and the case fails.
 */
public final class ChildJvm {
    private static final Pattern WARNING_LINE = Pattern.compile("(WARNING|Warning)[ :!]");

    public static final class Result {
        public final int status;
        public final String output;

        Result(int status, String output) {
            this.status = status;
            this.output = output;
        }

        /**
         * The lines of the output that are warnings of -Xcheck:jni: the rule of
         * cmake/JvmRun.cmake, which judges the parent's own output the same way.
         */
        public List<String> jniWarnings() {
            List<String> found = new ArrayList<>();
            for (String line : output.split("\\R")) {
                String text = line.strip();
                if (WARNING_LINE.matcher(text).lookingAt() || text.contains("WARNING in native method")
                        || text.contains("WARNING: JNI")) {
                    found.add(text);
                }
            }
            return found;
        }

        @Override
        public String toString() {
            return "status " + status + ", output <" + output + ">";
        }
    }

    private ChildJvm() {}

    static final long DEFAULT_LIMIT_SECONDS = 120;

    public static Result run(String mainClass, String... args) throws Exception {
        return runOn(null, mainClass, args);
    }

    /** The same on another class path (an altered copy of this one), or this JVM's when null. */
    public static Result runOn(String classPath, String mainClass, String... args) throws Exception {
        return start(classPath, DEFAULT_LIMIT_SECONDS, mainClass, args);
    }

    /** The same with a time limit of its own, for a child that may hang. */
    public static Result runWithin(long seconds, String mainClass, String... args) throws Exception {
        return start(null, seconds, List.of(), mainClass, args);
    }

    /** The same with JVM options of its own (a small heap, say) after this JVM's settings. */
    public static Result runWith(List<String> options, String mainClass, String... args) throws Exception {
        return start(null, DEFAULT_LIMIT_SECONDS, options, mainClass, args);
    }

    private static Result start(String classPath, long seconds, String mainClass, String... args) throws Exception {
        return start(classPath, seconds, List.of(), mainClass, args);
    }

    private static Result start(String classPath, long seconds, List<String> options, String mainClass,
                                String... args) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(System.getProperty("java.home") + File.separator + "bin" + File.separator + "java");
        command.add("-Xcheck:jni");
        command.add("-XX:-CreateCoredumpOnCrash");
        command.addAll(options);
        command.add("-Djava.library.path=" + System.getProperty("java.library.path"));
        command.add("-cp");
        command.add(classPath != null ? classPath : System.getProperty("java.class.path"));
        command.add(mainClass);
        for (String arg : args) {
            command.add(arg);
        }
        Process child = new ProcessBuilder(command).redirectErrorStream(true).start();
        child.getOutputStream().close();
        // Read on a thread of its own, so that a child that never closes its output cannot
        // hold the parent past the limit.
        ByteArrayOutputStream output = new ByteArrayOutputStream();
        Thread reader = new Thread(() -> {
            try (InputStream in = child.getInputStream()) {
                in.transferTo(output);
            } catch (java.io.IOException ended) {
                // the child was killed
            }
        }, "child-output");
        reader.setDaemon(true);
        reader.start();
        if (!child.waitFor(seconds, TimeUnit.SECONDS)) {
            child.destroyForcibly().waitFor();
            reader.join();
            throw new AssertionError("child JVM " + mainClass + " did not end within " + seconds
                                     + " s; its output <" + output.toString(StandardCharsets.UTF_8) + ">");
        }
        reader.join();
        return new Result(child.exitValue(), output.toString(StandardCharsets.UTF_8));
    }
}
