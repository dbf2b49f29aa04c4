package varneltests;

import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.ClassTree;
import harness.Redeploy;
import harness.Suite;
import java.util.List;

import java.nio.file.Path;
import java.nio.file.Paths;

/** The cases that end or may end the process, each in a child JVM of its own. */
public final class ChildSuite implements Suite {
    static final String NOT_TESTED = "This Varnel version has not been tested with JDK Version ";
    static final String CONTACT = ".  Please contact Olvenmark for an updated version.\r\n";
    static final String CANNOT = "Cannot validate JDK.  Please contact Olvenmark support.\r\n";

    @Override
    public void cases(Cases table) {
        table.add("theFirstEngineChecksTheJavaRuntimesVersion", () -> {
            String[][] rows = {
                {"1.7.0_80", "", "0", "accepted"},
                {"0.9.1", "", "0", "accepted"},
                {"1.0.0", "", "0", "accepted"},
                {" +1.7.0", "", "0", "accepted"},
                {"1.8.0_20", "", "1", NOT_TESTED + "1.8" + CONTACT},
                {"2.0.0", "", "1", NOT_TESTED + "2.0" + CONTACT},
                {"-1.5.0", "", "1", NOT_TESTED + "4294967295.5" + CONTACT},
                {"17.0.15", "", "1", NOT_TESTED + "17.0" + CONTACT},
                {"1.7", "", "1", CANNOT},
                {"9", "", "1", CANNOT},
                {"null", "", "1", CANNOT},
                {"1.7.0", "failedFirst", "1", NOT_TESTED + "1.8" + CONTACT},
                {"1.7.0", "secondOnAnotherThread", "0", "accepted"},
                {"1.7.0", "checkFails", "0", "accepted"},
            };
            for (String[] row : rows) {
                ChildJvm.Result child = ChildJvm.run("varneltests.VersionChild", row[0], row[1]);
                String what = "java.version <" + row[0] + "> " + row[1];
                Check.equal(row[3], child.output, what + ": output");
                Check.equal(Integer.parseInt(row[2]), child.status, what + ": exit code");
            }
        });

        table.add("theRuntimesOwnVersionEndsTheProcess", () -> {
            ChildJvm.Result child = ChildJvm.run("varneltests.VersionChild", "-");
            String own = Integer.toString(Runtime.version().feature());
            Check.isTrue(child.output.startsWith(NOT_TESTED + own + "."), "refused: " + child);
            Check.equal(1, child.status, "exit code");
        });

        table.add("aJvmEndsWhileTheLogCallbackIsBusy", () -> {
            String[][] rows = {
                {"creatorsThread", "on the creator's thread", "0"},
                {"slowLine", "refused, released", "0"},
                {"nested", "01 released", "0"},
            };
            for (String[] row : rows) {
                ChildJvm.Result child = ChildJvm.runWithin(30, "varneltests.EngineLifeChild", row[0]);
                Check.equal(row[1], child.output, row[0] + ": output");
                Check.isTrue(child.jniWarnings().isEmpty(), row[0] + ": no JNI warning: " + child);
                Check.equal(Integer.parseInt(row[2]), child.status, row[0] + ": exit code");
            }
        });

        table.add("logLinesReachAListenerWhoseClassesComeFromAChildLoader", () -> {
            String tree = System.getProperty("java.class.path");
            Path varnel = Paths.get("com", "olvenmark", "varnel");
            String without = ClassTree.copy(path -> !path.startsWith(varnel));
            try {
                String[][] runs = {{without, "only in the child loader"}, {tree, "also on the class path"}};
                for (String[] run : runs) {
                    ChildJvm.Result child = ChildJvm.runOn(run[0], "varneltests.LoaderChild", tree,
                            "varneltests.LoadedEngine");
                    Check.equal("caller: on the caller\nother: on a worker\nexception: true\nother: release me\n",
                            child.output, run[1] + ": what the listener heard, and nothing else");
                    Check.equal(0, child.status, run[1] + ": exit code");
                }
            } finally {
                ClassTree.remove(without);
            }
        });

        table.add("aLateLineOfAnEngineFromADeploymentThatWentReachesNoListenerOfTheNext", () -> {
            // The varnel package and the scenario only in the loaders' tree.
            Path varnel = Paths.get("com", "olvenmark", "varnel");
            ChildJvm.Result child = Redeploy.inChild(path -> path.startsWith(varnel)
                || path.toString().startsWith(Paths.get("varneltests", "RedeployedEngine").toString()),
                "varneltests.RedeployedEngine", 2);
            Check.equal("round 1: A released, its callback kept by vrn_core\n"
                        + "round 1: the loader was collected\n"
                        + "round 2: B heard []\n"
                        + "round 2: the loader was collected\n",
                        child.output.replace("\r", ""), "child " + child);
            Check.equal(0, child.status, "child " + child);
        });

        table.add("aListenersExceptionIsDescribedAndCleared", () -> {
            ChildJvm.Result child = ChildJvm.run("varneltests.ListenerChild");
            Check.contains(child.output, "IllegalStateException: thrown by the listener for one", "described");
            Check.contains(child.output, "IllegalStateException: thrown by the listener for two", "on the worker");
            Check.isTrue(child.output.endsWith("alive"), "went on: " + child);
            Check.isTrue(child.jniWarnings().isEmpty(), "no JNI warning: " + child);
            Check.equal(0, child.status, "exit code");
        });

        table.add("aCallDuringOrAfterReleaseNeverHandsTheLibraryAReleasedHandle", () -> {
            // A sub-table's and a configuration's handles are their owners', held open by
            // the owner's use().
            String[] classes = {"Engine", "Config", "Table", "subTable", "VarnelDateTime", "VarnelException",
                                "LlpServer", "LlpClient", "LlpConnection"};
            for (String name : classes) {
                ChildJvm.Result child = ChildJvm.run("varneltests.ReleasedHandleChild", "race", name);
                Check.equal("held", child.output, name + ": " + child);
                Check.equal(0, child.status, name + ": exit code");
            }
        });

        table.add("anExceptionGivesItsErrorBackOnceWhicheverRoadComesFirst", () -> {
            String[] roads = {"readAfterRelease", "ownReleaseThenCleaner", "ownReleasesCollected"};
            for (String road : roads) {
                ChildJvm.Result child = ChildJvm.run("varneltests.ReleasedHandleChild", "exception", road);
                Check.equal("held", child.output, road + ": " + child);
                Check.equal(0, child.status, road + ": exit code");
            }
        });

        table.add("aFailingNativeWithoutRoomForItsExceptionLeavesTheJvmsOwnErrorPending", () -> {
            // the room that ends, the road, the child's JVM options, what reached Java
            String[][] rows = {
                {"stack", "direct", "", "overflows in the call: "},
                {"stack", "guarded", "", "overflows in the call: "},
                {"heap", "direct", "-Xmx32m -XX:+UseSerialGC", "with the heap full: java.lang.OutOfMemoryError\n"},
                {"heap", "guarded", "-Xmx32m -XX:+UseSerialGC", "with the heap full: java.lang.OutOfMemoryError\n"},
            };
            for (String[] row : rows) {
                String what = row[0] + " " + row[1];
                List<String> options = row[2].isEmpty() ? List.of() : List.of(row[2].split(" "));
                ChildJvm.Result child = ChildJvm.runWith(options, "varneltests.VmErrorChild", row[0], row[1]);
                String output = child.output.replace("\r", "");
                Check.equal(0, child.status, what + ": child " + child);
                Check.contains(output, row[3], what);
                Check.contains(output, "went on", what);
                Check.isTrue(!output.contains("FATAL"), what + ": the JVM was ended: " + child);
                Check.isTrue(child.jniWarnings().isEmpty(), what + ": JNI warning in " + child);
            }
        });
    }
}
