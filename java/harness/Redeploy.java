package harness;

import java.lang.ref.WeakReference;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.concurrent.Callable;
import java.util.function.Predicate;

/**
 * A child JVM that deploys a plug-in as a host does and redeploys it: args[0] is a class
 * tree that only a URLClassLoader of each round loads (a bridge's package, the scenario),
 * args[1] the scenario, a Callable of that tree, args[2] the number of rounds. Each round
 * loads the tree through a new loader, runs the scenario (which loads the bridge's library
 * through that loader) and prints its result; then the loader is dropped and must be
 * collected before the next round may load the library again. Prints "round N: ..." per
 * round; exits 1 when a loader is not collected.
 */
public final class Redeploy {
    private Redeploy() {}

    static final String ELSEWHERE = "already loaded in another classloader";

    /**
     * This class in a child JVM (ChildJvm.runOn) for rounds of the scenario: the class
     * files that inLoaders picks (paths relative to the class tree) only in the loaders'
     * tree, the others only on the child's class path.
     */
    public static ChildJvm.Result inChild(Predicate<Path> inLoaders, String scenario, int rounds) throws Exception {
        String classPath = ClassTree.copy(inLoaders.negate());
        String loaderTree = ClassTree.copy(inLoaders);
        try {
            return ChildJvm.runOn(classPath, "harness.Redeploy", loaderTree, scenario, Integer.toString(rounds));
        } finally {
            ClassTree.remove(classPath);
            ClassTree.remove(loaderTree);
        }
    }

    public static void main(String[] args) throws Exception {
        URL tree = Paths.get(args[0]).toUri().toURL();
        int rounds = Integer.parseInt(args[2]);
        for (int round = 1; round <= rounds; ++round) {
            WeakReference<ClassLoader> dropped = deploy(tree, args[1], round);
            if (!collected(dropped)) {
                System.out.println("round " + round + ": the loader was not collected");
                System.exit(1);
            }
            System.out.println("round " + round + ": the loader was collected");
        }
    }

    /**
     * One round in a loader of its own. The JVM unloads the library of a collected loader
     * a little after the collection (on its cleaner's thread), so a load refused because
     * the library is still another loader's is tried again for a while, each time through
     * a new loader.
     */
    private static WeakReference<ClassLoader> deploy(URL tree, String scenario, int round) throws Exception {
        for (int attempt = 0; ; ++attempt) {
            URLClassLoader loader = new URLClassLoader(new URL[] {tree}, ClassLoader.getSystemClassLoader());
            try {
                Class<?> type = Class.forName(scenario, true, loader);
                if (type.getClassLoader() != loader) {
                    throw new AssertionError("the scenario came from " + type.getClassLoader());
                }
                @SuppressWarnings("unchecked")
                Callable<String> run = (Callable<String>) type.getDeclaredConstructor().newInstance();
                System.out.println("round " + round + ": " + run.call());
                return new WeakReference<>(loader);
            } catch (UnsatisfiedLinkError refused) {
                String message = String.valueOf(refused.getMessage());
                if (!message.contains(ELSEWHERE) || attempt == 100) {
                    throw refused;
                }
            } finally {
                loader.close();
            }
            System.gc();
            Thread.sleep(50);
        }
    }

    private static boolean collected(WeakReference<?> weak) throws InterruptedException {
        for (int i = 0; i < 200 && weak.get() != null; ++i) {
            System.gc();
            Thread.sleep(20);
        }
        return weak.get() == null;
    }
}
