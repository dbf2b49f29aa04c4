package varneltests;

import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Paths;
import java.util.concurrent.Callable;

/**
 * A child JVM that loads the varnel classes as an application server or a message engine
 * would: through a URLClassLoader of its own whose parent is the platform loader, so that
 * nothing of them comes from the system class path (or, when the system class path has
 * them too, a second copy is there). The scenario (LoadedLlp, or the class the second
 * argument names) runs inside that loader and hands back what its listeners heard; this
 * class touches no varnel class itself.
 */
public final class LoaderChild {
    private LoaderChild() {}

    public static void main(String[] args) throws Exception {
        URL tree = Paths.get(args[0]).toUri().toURL();
        try (URLClassLoader loader = new URLClassLoader(new URL[] {tree}, ClassLoader.getPlatformClassLoader())) {
            String name = args.length > 1 ? args[1] : "varneltests.LoadedLlp";
            Class<?> scenario = Class.forName(name, true, loader);
            if (scenario.getClassLoader() != loader) {
                throw new AssertionError("the scenario came from " + scenario.getClassLoader());
            }
            @SuppressWarnings("unchecked")
            Callable<String> run = (Callable<String>) scenario.getDeclaredConstructor().newInstance();
            System.out.print(run.call());
        }
    }
}
