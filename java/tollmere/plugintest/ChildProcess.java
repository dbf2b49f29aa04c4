package plugintest;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.Comparator;
import java.util.List;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;

/**
 * A child JVM with this JVM's settings, on this class path or on an altered copy of it: the
 * cases that end the process, that need a fresh JVM, or that need a class missing or
 * changed. The child's output comes back and is not printed.
 */
final class ChildProcess {
    private ChildProcess() {}

    static final class Result {
        final int status;
        final String output;

        Result(int status, String output) {
            this.status = status;
            this.output = output;
        }

        @Override
        public String toString() {
            return "status " + status + ", output <" + output + ">";
        }
    }

    /** Runs the main class on the given class path, or on this JVM's when it is null. */
    static Result run(String classPath, String mainClass, String... args) throws Exception {
        List<String> command = new ArrayList<>();
        command.add(System.getProperty("java.home") + File.separator + "bin" + File.separator + "java");
        command.add("-Xcheck:jni");
        command.add("-XX:-CreateCoredumpOnCrash");
        command.add("-Djava.library.path=" + System.getProperty("java.library.path"));
        command.add("-cp");
        command.add(classPath != null ? classPath : System.getProperty("java.class.path"));
        command.add(mainClass);
        for (String arg : args) {
            command.add(arg);
        }
        Process child = new ProcessBuilder(command).redirectErrorStream(true).start();
        child.getOutputStream().close();
        ByteArrayOutputStream output = new ByteArrayOutputStream();
        try (InputStream in = child.getInputStream()) {
            in.transferTo(output);
        }
        if (!child.waitFor(120, TimeUnit.SECONDS)) {
            child.destroyForcibly();
            throw new AssertionError("child JVM " + mainClass + " did not end");
        }
        return new Result(child.exitValue(), output.toString(StandardCharsets.UTF_8));
    }

    /**
     * A copy of this JVM's class tree without the named class of the plug-in package, and
     * with the given source compiled in its place when there is one.
     */
    static String classPathWithout(String simpleName, String replacement) throws IOException {
        Path source = Paths.get(System.getProperty("java.class.path"));
        Path copy = Files.createTempDirectory("plugintest");
        copy.toFile().deleteOnExit();
        try (Stream<Path> paths = Files.walk(source)) {
            for (Path path : (Iterable<Path>) paths::iterator) {
                Path target = copy.resolve(source.relativize(path).toString());
                if (Files.isDirectory(path)) {
                    Files.createDirectories(target);
                } else if (!path.endsWith(Paths.get("com/olvenmark/tollmere/plugin", simpleName + ".class"))) {
                    Files.copy(path, target);
                }
            }
        }
        if (replacement != null) {
            Path file = copy.resolve("src").resolve(simpleName + ".java");
            Files.createDirectories(file.getParent());
            Files.writeString(file, replacement);
            JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
            int status = javac.run(null, null, null, "-d", copy.toString(), "-cp", copy.toString(), file.toString());
            if (status != 0) {
                throw new AssertionError("the replacement of " + simpleName + " does not compile");
            }
        }
        return copy.toString();
    }

    static void remove(String classPath) throws IOException {
        try (Stream<Path> paths = Files.walk(Paths.get(classPath))) {
            paths.sorted(Comparator.reverseOrder()).forEach(path -> path.toFile().delete());
        }
    }
}
