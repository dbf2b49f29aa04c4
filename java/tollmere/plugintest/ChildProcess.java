package plugintest;

import harness.ClassTree;
import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import javax.tools.JavaCompiler;
import javax.tools.ToolProvider;

/**
 * Altered copies of this JVM's class path, for the cases that need a class of the plug-in
 * package missing or changed, or the package on a class loader of its own; they run in a
 * child JVM through harness.ChildJvm.runOn.
 */
final class ChildProcess {
    private ChildProcess() {}

    /**
     * A copy of this JVM's class tree without the named class of the plug-in package, and
     * with the given source compiled in its place when there is one.
     */
    static String classPathWithout(String simpleName, String replacement) throws IOException {
        Path missing = Paths.get("com/olvenmark/tollmere/plugin", simpleName + ".class");
        String copy = ClassTree.copy(path -> !path.equals(missing));
        if (replacement != null) {
            Path file = Paths.get(copy).resolve("src").resolve(simpleName + ".java");
            Files.createDirectories(file.getParent());
            Files.writeString(file, replacement);
            JavaCompiler javac = ToolProvider.getSystemJavaCompiler();
            int status = javac.run(null, null, null, "-d", copy, "-cp", copy, file.toString());
            if (status != 0) {
                throw new AssertionError("the replacement of " + simpleName + " does not compile");
            }
        }
        return copy;
    }
}
