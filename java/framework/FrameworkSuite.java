package framework;

import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.Suite;

import java.util.Date;

/** The error roads, the scopes and the fatal texts of the framework, in a real JVM. */
public final class FrameworkSuite implements Suite {
    private static final String EXCEPTION = Natives.EXCEPTION;
    private static final String MISSING = "framework/NoSuchException";
    private static final int JNI_OK = 0;
    private static final int JNI_EDETACHED = -2;

    @Override
    public void cases(Cases table) {
        table.add("nullArgumentsRaiseTheirTexts", () -> {
            Natives.checkString(EXCEPTION, "");
            Natives.checkDate(EXCEPTION, new Date());
            TestException string = Check.throwsOf(TestException.class, () -> Natives.checkString(EXCEPTION, null));
            Check.equal("The string variable value in method checkString cannot be null.", string.getMessage(), "string");
            Check.isTrue(!string.madeFromHandle, "made by description");
            TestException date = Check.throwsOf(TestException.class, () -> Natives.checkDate(EXCEPTION, null));
            Check.equal("The date variable value in method checkDate cannot be null.", date.getMessage(), "date");
        });

        table.add("errorHandlesReachJavaByTheirRoads", () -> {
            Natives.checkDllResult(EXCEPTION, 0);
            TestException unhandled = Check.throwsOf(TestException.class, () -> Natives.checkDllResult(EXCEPTION, -1L));
            Check.equal("Unhandled exception", unhandled.getMessage(), "all-ones handle");
            Check.isTrue(!unhandled.madeFromHandle, "the all-ones handle is no object");
            TestException handle = Check.throwsOf(TestException.class,
                    () -> Natives.checkDllResult(EXCEPTION, 0x7f00123456789L));
            Check.isTrue(handle.madeFromHandle, "made by the (J)V constructor");
            Check.equal(0x7f00123456789L, handle.handle, "the handle");
        });

        table.add("aDescribedErrorCarriesOnlyItsDescription", () -> {
            TestException plain = Check.throwsOf(TestException.class,
                    () -> Natives.throwDescribed(EXCEPTION, "caf\u00e9 closed", true));
            Check.equal("caf\u00e9 closed", plain.getMessage(), "description without its parameters");
        });

        table.add("aPendingExceptionGivesWayToTheBridgeException", () -> {
            TestException byHandle = Check.throwsOf(TestException.class,
                    () -> Natives.throwOverPending(EXCEPTION, 0x4321L, "unused"));
            Check.equal(0x4321L, byHandle.handle, "handle");
            TestException described = Check.throwsOf(TestException.class,
                    () -> Natives.throwOverPending(EXCEPTION, 0, "described"));
            Check.equal("described", described.getMessage(), "description");
            TestException unhandled = Check.throwsOf(TestException.class,
                    () -> Natives.throwOverPending(EXCEPTION, -1L, "unused"));
            Check.equal("Unhandled exception", unhandled.getMessage(), "all-ones handle");
        });

        table.add("objectsFromHandlesNeedTheClassAndItsConstructor", () -> {
            Object made = Natives.createObject(EXCEPTION, 77);
            Check.isTrue(made instanceof TestException, "a TestException");
            Check.equal(77L, ((TestException) made).handle, "handle");
            Check.throwsOf(NoClassDefFoundError.class, () -> Natives.createObject(MISSING, 1));
            Check.throwsOf(NoSuchMethodError.class, () -> Natives.createObject("java/lang/Object", 1));
        });

        table.add("aCallbackOnAnUnknownThreadAttachesAndDetachesIt", () -> {
            Thread[] seen = new Thread[1];
            int after = Natives.callBackFromNewThread(() -> seen[0] = Thread.currentThread());
            Check.isTrue(seen[0] != null && seen[0] != Thread.currentThread(), "ran on another thread");
            Check.equal(JNI_EDETACHED, after, "GetEnv on that thread after the callback");
            seen[0].join(10000);
            Check.isTrue(!seen[0].isAlive(), "the attached thread is gone");
        });

        table.add("aCallbackOnAJavaThreadStaysAttached", () -> {
            Thread[] seen = new Thread[1];
            int after = Natives.callBackOnThisThread(() -> seen[0] = Thread.currentThread());
            Check.equal(Thread.currentThread(), seen[0], "ran on the calling thread");
            Check.equal(JNI_OK, after, "GetEnv after the callback");
        });

        table.add("aMissingExceptionClassEndsTheJvmWithItsFatalText", () -> {
            String[][] rows = {
                {"description", "JNIimplement:38 Fatal error: Java exception class not found (Java exception class: \""
                        + MISSING + "\", local exception description: \""},
                {"handle", "JNIimplement:63 Fatal error: Failed to create Java exception (Java exception class: \""
                        + MISSING + "\")"},
            };
            for (String[] row : rows) {
                ChildJvm.Result child = ChildJvm.run("framework.FatalChild", row[0], MISSING);
                Check.isTrue(child.status != 0, row[0] + ": the child ended with a failure: " + child);
                Check.contains(child.output, "FATAL ERROR in native method: " + row[1], row[0]);
                if (row[0].equals("description")) {
                    // The printed error: its lines, then one line per parameter.
                    Check.contains(child.output, "Description: the described error\r\nhost: example.test\r\nport: 2575\r\n\")",
                            "the printed error");
                }
                Check.isTrue(!child.output.contains("the JVM went on"), row[0] + ": the child went on");
                Check.isTrue(child.jniWarnings().isEmpty(), row[0] + ": -Xcheck:jni silent: " + child);
            }
        });
    }
}
