package harness;

import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.Comparator;
import java.util.function.Predicate;
import java.util.stream.Stream;

/**
 * Altered copies of this JVM's class tree (its class path is one folder), for the cases
 * that run a child JVM through ChildJvm.runOn with a class missing, changed, or left to a
 * class loader of the child's own.
 */
public final class ClassTree {
    private ClassTree() {}

    /** A copy with the class files whose path relative to the tree is kept; every folder. */
    public static String copy(Predicate<Path> keep) throws IOException {
        Path source = Paths.get(System.getProperty("java.class.path"));
        Path copy = Files.createTempDirectory("classtree");
        copy.toFile().deleteOnExit();
        try (Stream<Path> paths = Files.walk(source)) {
            for (Path path : (Iterable<Path>) paths::iterator) {
                Path relative = source.relativize(path);
                Path target = copy.resolve(relative.toString());
                if (Files.isDirectory(path)) {
                    Files.createDirectories(target);
                } else if (keep.test(relative)) {
                    Files.copy(path, target);
                }
            }
        }
        return copy.toString();
    }

    public static void remove(String classPath) throws IOException {
        try (Stream<Path> paths = Files.walk(Paths.get(classPath))) {
            paths.sorted(Comparator.reverseOrder()).forEach(path -> path.toFile().delete());
        }
    }
}
