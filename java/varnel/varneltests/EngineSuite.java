package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.HandleUse;
import com.olvenmark.varnel.VarnelException;
import harness.Cases;
import harness.Check;
import harness.Suite;

import java.lang.management.ManagementFactory;
import java.lang.ref.Cleaner;
import java.lang.ref.WeakReference;
import java.lang.reflect.Field;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * The Engine natives in a real JVM over the vrn_core stand-in: every native of the table
 * under an injected failure and with null strings, the text conversions, the arguments as
 * vrn_core receives them, and the log callback on the threads it can be called on.
 */
public final class EngineSuite implements Suite {
    static {
        Jdk.accept();
    }

    static final String ADT = "MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|42|P|2.5\r"
            + "EVN|A01\rPID|1||7^^^H||Doe^Jane\r";

    /** One line of the natives table, as the stand-in's control library lists it. */
    static final class Row {
        final String className, method, shape, function, variable, name, signature;

        Row(String line) {
            String[] w = line.split(" ");
            className = w[0];
            method = w[1];
            shape = w[2];
            function = w[3];
            variable = w[4].equals("-") ? "" : w[4];
            name = w[5].equals("-") ? "" : w[5];
            signature = w[6];
        }

        boolean direct() {
            return shape.startsWith("Direct");
        }

        boolean reports() {
            return shape.startsWith("Report");
        }

        List<Character> parameters() {
            List<Character> types = new ArrayList<>();
            for (int i = 1; signature.charAt(i) != ')'; ++i) {
                char c = signature.charAt(i);
                types.add(c);
                if (c == 'L') {
                    i = signature.indexOf(';', i);
                }
            }
            return types;
        }

        /** The positions of the String parameters. */
        List<Integer> stringPositions() {
            List<Character> types = parameters();
            List<Integer> positions = new ArrayList<>();
            for (int at = 0; at < types.size(); ++at) {
                if (types.get(at) == 'L') {
                    positions.add(at);
                }
            }
            return positions;
        }

        @Override
        public String toString() {
            return method;
        }
    }

    static List<Row> rows() {
        List<Row> rows = new ArrayList<>();
        for (String line : StandIn.nativeTable()) {
            Row row = new Row(line);
            if (row.className.equals("Engine")) {
                rows.add(row);
            }
        }
        return rows;
    }

    static Method method(String name) {
        for (Method m : Engine.class.getDeclaredMethods()) {
            if (m.getName().equals(name)) {
                return m;
            }
        }
        throw new AssertionError("Engine has no method " + name);
    }

    static Object call(Engine engine, String name, Object... args) throws Throwable {
        try {
            return method(name).invoke(engine, args);
        } catch (InvocationTargetException thrown) {
            throw thrown.getCause();
        }
    }

    /** Arguments that the library accepts; a null at nullAt (a String position). */
    static Object[] arguments(Row row, long engine, long table, int nullAt) {
        return arguments(row, engine, table, nullAt, null);
    }

    /** The same with the text bad, null or not, at badAt. */
    static Object[] arguments(Row row, long engine, long table, int badAt, String bad) {
        List<Character> types = row.parameters();
        Object[] args = new Object[types.size()];
        int longs = 0;
        for (int i = 0; i < args.length; ++i) {
            switch (types.get(i)) {
                case 'J':
                    args[i] = longs++ == 0 ? engine : (row.shape.equals("EngineRelease") ? 0L : table);
                    break;
                case 'I':
                    args[i] = 0;
                    break;
                case 'Z':
                    args[i] = true;
                    break;
                default:
                    args[i] = i == badAt ? bad : ADT;
            }
        }
        return args;
    }

    static String definition() {
        return System.getenv("VRN_TEST_DEFINITION");
    }

    /** A fresh engine with the test definition, the creator's engine kept apart. */
    static long newEngine(Engine any) throws Throwable {
        long h = (Long) call(any, "VRNengineCreate");
        call(any, "VRNengineLoad", h, definition());
        return h;
    }

    static void releaseEngine(Engine any, long h) throws Throwable {
        call(any, "VRNengineRelease", h, 0L);
    }

    static void expectNoLeaks(String what) {
        Check.equal(0, StandIn.liveCount("error"), what + ": error objects alive");
        Check.equal(0, StandIn.liveCount("multibyte"), what + ": library texts alive");
        Check.equal(0, StandIn.liveCount("wide"), what + ": wide texts alive");
    }

    /** Takes the exception's handle back and checks the error was adopted, not copied. */
    static void expectAdopted(VarnelException thrown, String description, String what) {
        Check.isTrue(thrown.handle() != 0, what + ": made around the handle");
        Check.equal(description, StandIn.description(thrown.handle()), what + ": description");
        Check.equal(1L, StandIn.referenceCount(thrown.handle()), what + ": one reference, no AddRef");
        giveBack(thrown);
    }

    /**
     * Gives the exception's error back now, as its collection would later: through its own
     * cleaning action, which runs once whoever starts it.
     */
    static void giveBack(VarnelException thrown) {
        try {
            Field field = VarnelException.class.getDeclaredField("cleanable");
            field.setAccessible(true);
            ((Cleaner.Cleanable) field.get(thrown)).clean();
        } catch (ReflectiveOperationException unexpected) {
            throw new AssertionError(unexpected);
        }
    }

    /** The journal without the calls that read an exception's own description as it is made. */
    static String libraryCalls() {
        StringBuilder calls = new StringBuilder();
        for (String line : StandIn.journal().split("\n")) {
            if (!line.isEmpty() && !line.startsWith("VRNerrorGetDescription ")) {
                calls.append(line).append('\n');
            }
        }
        return calls.toString();
    }

    static long threadCount() {
        return ManagementFactory.getThreadMXBean().getThreadCount();
    }

    @Override
    public void cases(Cases table) {
        Engine engine = new Engine();
        long tableHandle = StandIn.tableCreate();

        table.add("theEngineClassDeclaresEveryNativeOfTheTable", () -> {
            List<String> declared = new ArrayList<>();
            for (Method m : Engine.class.getDeclaredMethods()) {
                if (Modifier.isNative(m.getModifiers())) {
                    StringBuilder signature = new StringBuilder("(");
                    for (Class<?> type : m.getParameterTypes()) {
                        signature.append(code(type));
                    }
                    declared.add(m.getName() + " " + signature.append(')').append(code(m.getReturnType())));
                }
            }
            List<String> expected = new ArrayList<>();
            for (Row row : rows()) {
                expected.add(row.method + " " + row.signature);
            }
            Collections.sort(declared);
            Collections.sort(expected);
            Check.equal(expected, declared, "natives");
            Check.equal(40, expected.size(), "engine natives");
        });

        table.add("aDescribedErrorReachesJavaByEachNativesRoad", () -> {
            for (Row row : rows()) {
                long h = newEngine(engine);
                StandIn.reset();
                Check.isTrue(StandIn.failNext(row.function, "Injected failure", "Key", "Value"), row + ": injectable");
                Object[] args = arguments(row, h, tableHandle, -1);
                if (row.reports()) {
                    Object result = call(engine, row.method, args);
                    Check.equal(row.shape.equals("ReportSuccess") ? (Object) false : "Injected failure", result,
                            row + ": the failure in the result");
                } else {
                    VarnelException thrown = Check.throwsOf(VarnelException.class,
                            () -> call(engine, row.method, args));
                    Check.equal("Value", StandIn.parameter(thrown.handle(), "Key"), row + ": parameter");
                    expectAdopted(thrown, "Injected failure", row.toString());
                }
                releaseEngine(engine, h);
                expectNoLeaks(row.toString());
            }
        });

        table.add("theAllOnesHandleIsUnhandledOnEveryRoadAndNeverReleased", () -> {
            for (Row row : rows()) {
                long h = newEngine(engine);
                StandIn.reset();
                Check.isTrue(StandIn.failNextUnhandled(row.function), row + ": injectable");
                Object[] args = arguments(row, h, tableHandle, -1);
                if (row.reports()) {
                    Object result = call(engine, row.method, args);
                    Check.equal(row.shape.equals("ReportSuccess") ? (Object) false : "Unhandled exception", result,
                            row + ": result");
                } else {
                    VarnelException thrown = Check.throwsOf(VarnelException.class,
                            () -> call(engine, row.method, args));
                    Check.equal(0L, thrown.handle(), row + ": made from a text");
                    Check.equal(row.direct() ? "Unhandled exception." : "Unhandled exception", thrown.getMessage(),
                            row + ": text of its road");
                }
                Check.isTrue(!StandIn.journal().contains("all-ones"), row + ": the value was handed back: "
                        + StandIn.journal());
                releaseEngine(engine, h);
                expectNoLeaks(row.toString());
            }
        });

        table.add("aNullStringIsRefusedBeforeAnyLibraryCall", () -> {
            for (Row row : rows()) {
                for (int at : row.stringPositions()) {
                    long h = newEngine(engine);
                    StandIn.reset();
                    Object[] args = arguments(row, h, tableHandle, at);
                    String what = row + " argument " + at;
                    VarnelException thrown = Check.throwsOf(VarnelException.class,
                            () -> call(engine, row.method, args));
                    Check.equal("", libraryCalls(), what + ": no library call");
                    if (row.variable.isEmpty()) {
                        Check.equal(0, StandIn.parameterCount(thrown.handle()), what + ": no parameters");
                        expectAdopted(thrown, "Illegal - Null string passed in argument in method " + row.name, what);
                    } else {
                        Check.equal(0L, thrown.handle(), what + ": made from a text");
                        Check.equal("The string variable " + row.variable + " in method " + row.name
                                + " cannot be null.", thrown.getMessage(), what);
                    }
                    releaseEngine(engine, h);
                    expectNoLeaks(what);
                }
            }
        });

        table.add("aTextHoldingUPlus0000IsRefusedNamingTheMethodAndNothingIsSent", () -> {
            int checked = 0;
            for (Row row : rows()) {
                for (int at : row.stringPositions()) {
                    long h = newEngine(engine);
                    StandIn.reset();
                    Object[] args = arguments(row, h, tableHandle, at, "A\u0000B\rC");
                    String what = row + " argument " + at;
                    VarnelException thrown = Check.throwsOf(VarnelException.class,
                            () -> call(engine, row.method, args));
                    Check.contains(thrown.getMessage(), row.name, what + ": names the method");
                    Check.equal(0, StandIn.callCount(row.function), what + ": nothing sent");
                    releaseEngine(engine, h);
                    expectNoLeaks(what);
                    ++checked;
                }
            }
            Check.equal(16, checked, "string arguments");
        });

        table.add("aDroppedExceptionGivesItsErrorBackAndItsMessageIsTheDescription", () -> {
            long h = newEngine(engine);
            int before = StandIn.liveCount("error");
            VarnelException kept = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineMessageName", h, 99));
            Check.isTrue(kept.getMessage() != null, "a message");
            Check.equal(StandIn.description(kept.handle()), kept.getMessage(), "the error's description");
            VarnelException bridges = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineTranslateMessageToXml", h, null));
            Check.equal(StandIn.description(bridges.handle()), bridges.getMessage(), "the bridge's own error too");
            giveBack(kept);
            giveBack(bridges);
            dropFailures(engine, h, 2000);
            for (int i = 0; i < 200 && StandIn.liveCount("error") > before; ++i) {
                System.gc();
                Thread.sleep(20);
            }
            // Exceptions that earlier cases dropped may go too, so not more than before.
            Check.isTrue(StandIn.liveCount("error") <= before,
                    "error objects alive after a collection: " + StandIn.liveCount("error") + ", before " + before);
            releaseEngine(engine, h);
        });

        table.add("anOwnersReleaseAndTheCleanerGiveTheErrorBackOnceAndACopyOwnsNoHandle", () -> {
            long h = newEngine(engine);
            int before = StandIn.liveCount("error");
            for (int i = 0; i < 200; ++i) {
                VarnelException owned = Check.throwsOf(VarnelException.class,
                        () -> call(engine, "VRNengineMessageName", h, 99));
                Check.equal(before + 1, StandIn.liveCount("error"), "the exception's error");
                owned.release();
                owned.release();
                Check.equal(before, StandIn.liveCount("error"), "given back once by two releases");
            }
            VarnelException original = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineMessageName", h, 99));
            java.io.ByteArrayOutputStream bytes = new java.io.ByteArrayOutputStream();
            try (java.io.ObjectOutputStream out = new java.io.ObjectOutputStream(bytes)) {
                out.writeObject(original);
            }
            String message = original.getMessage();
            original.release();
            VarnelException copy;
            try (java.io.ObjectInputStream in = new java.io.ObjectInputStream(
                    new java.io.ByteArrayInputStream(bytes.toByteArray()))) {
                copy = (VarnelException) in.readObject();
            }
            Check.equal(0L, copy.handle(), "the copy owns no handle");
            Check.equal(message, copy.getMessage(), "the copy carries the text");
            copy.release();
            // The released exceptions' cleaning actions, run by their collection, give nothing back again.
            for (int i = 0; i < 20; ++i) {
                System.gc();
                Thread.sleep(10);
            }
            Check.isTrue(StandIn.liveCount("error") <= before, "error objects alive: " + StandIn.liveCount("error"));
            releaseEngine(engine, h);
        });

        table.add("aWrapperReleasedByFourThreadsAtOnceIsGivenBackOnce", () -> {
            releasedOnceByFourThreads("Engine", () -> new Engine()::release,
                    () -> StandIn.callCount("VRNengineRelease"));
            releasedOnceByFourThreads("Table", () -> new com.olvenmark.varnel.Table()::release,
                    () -> StandIn.callCount("VRNtableRelease"));
            Check.equal(1, StandIn.liveCount("engine"), "only the suite's engine is alive");
        });

        table.add("anEngineReleasedUnderAnotherThreadsCallsGivesThatThreadTheErrorRoad", () -> {
            for (int round = 0; round < 20; ++round) {
                Engine raced = new Engine();
                long h = raced.handle();
                call(raced, "VRNengineLoad", h, definition());
                java.util.concurrent.atomic.AtomicReference<Throwable> ended =
                        new java.util.concurrent.atomic.AtomicReference<>();
                java.util.concurrent.CountDownLatch running = new java.util.concurrent.CountDownLatch(1);
                Thread caller = new Thread(() -> {
                    try {
                        for (;;) {
                            raced.VRNengineMakeMessagePrintable(h, ADT);
                            raced.VRNengineGetMajorVersion(h);
                            raced.VRNengineCountOfMessageIdentifier(h, 0);
                            running.countDown();
                        }
                    } catch (Throwable thrown) {
                        ended.set(thrown);
                    }
                }, "racing");
                caller.start();
                running.await();
                raced.release();
                caller.join(10_000);
                Check.isTrue(ended.get() instanceof VarnelException, "round " + round + ": " + ended.get());
                VarnelException thrown = (VarnelException) ended.get();
                if (thrown.handle() != 0) {
                    giveBack(thrown);
                }
            }
            Check.equal(1, StandIn.liveCount("engine"), "only the suite's engine is alive");
            expectNoLeaks("the races");
        });

        table.add("textsCrossThroughTheLibrarysConversionBothWays", () -> {
            long h = newEngine(engine);
            String[] texts = {"", "HL7", "\u00e9\u20ac", "\ud83d\ude00"};
            for (String text : texts) {
                Check.equal(text, call(engine, "VRNengineMakeMessagePrintable", h, text), "round trip of " + text);
                expectNoLeaks(text);
            }
            VarnelException lone = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineMakeMessagePrintable", h, "a\ud83d"));
            expectAdopted(lone, "Text is not valid UTF-16", "a lone surrogate");
            StandIn.failNext("VRNmultiByteToWideChar", "Injected failure", null, null);
            VarnelException back = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineMessageName", h, 0));
            expectAdopted(back, "Injected failure", "a failed conversion of a result");
            expectNoLeaks("after the failed conversions");
            releaseEngine(engine, h);
        });

        table.add("argumentsReachTheLibraryAsItsContractWants", () -> {
            long h = newEngine(engine);
            StandIn.reset();
            VarnelException index = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineSetConfigIndex", h, -1));
            Check.equal("-1", StandIn.parameter(index.handle(), "Index"), "a negative index widened with its sign");
            giveBack(index);
            VarnelException name = Check.throwsOf(VarnelException.class,
                    () -> call(engine, "VRNengineMessageName", h, -2));
            giveBack(name);
            call(engine, "VRNengineMakeMessagePrintable", h, "x");
            call(engine, "VRNengineTransformMessage", h, ADT, 0, 2);
            call(engine, "VRNengineSetRejectBadSegmentGrammarFlag", h, true);
            String journal = StandIn.journal();
            Check.contains(journal, " -2\n", "message index");
            Check.contains(journal, " \"x\" \"\\r\\n\"\n", "the printable newline");
            Check.contains(journal, " 0 2 0\n", "configurations and the reserved 0");
            Check.contains(journal, "VRNengineSetRejectBadSegmentGrammarFlag ", "flag");
            Check.isTrue(journal.endsWith(" 1"), "the flag as 1: " + journal);
            Check.equal(0, call(engine, "VRNengineParseMessage", h, ADT, tableHandle), "message index");
            Check.equal(ADT, call(engine, "VRNengineGenerateMessage", h, 0, tableHandle), "generated back");
            Check.equal(2, call(engine, "VRNengineAckMessageIndex", h), "ack index");
            Check.equal("A01", call(engine, "VRNengineMessageIdentifier", h, 0, 1), "identifier");
            Check.equal(true, call(engine, "VRNengineWillEdiTranslateToXml", h, ADT), "translatable");
            Check.equal(false, call(engine, "VRNengineWillXmlTranslateToEdi", h, "not xml"), "not translatable");
            Check.equal("Not a message in XML form",
                    call(engine, "VRNengineTranslateXmlToEdiWithErrorIfItFails", h, "not xml"), "the reason");
            Check.isTrue((Long) call(engine, "VRNengineConfigHandle", h) != 0, "config handle");
            releaseEngine(engine, h);
            expectNoLeaks("marshalling");
        });

        table.add("logLinesReachTheListenerOnEveryThreadAndTheThreadCountStays", () -> {
            Engine logged = new Engine();
            List<String> lines = Collections.synchronizedList(new ArrayList<>());
            logged.setLogListener(line -> lines.add(line + " @" + Thread.currentThread().getName()));
            long h = logged.handle();
            call(logged, "VRNengineLoad", h, definition());
            Check.isTrue(lines.get(0).startsWith("Loaded 3 messages"), "load's line: " + lines);
            StandIn.log(h, bytes("on the creator"));
            Thread other = new Thread(() -> StandIn.log(h, bytes("on another")), "other");
            other.start();
            other.join();
            long before = threadCount();
            for (int i = 0; i < 20; ++i) {
                StandIn.logFromWorker(h, bytes("on a worker"));
            }
            Check.equal(before, threadCount(), "threads after the workers");
            // More lines in one native call than a frame holds: each line has its own frame.
            StandIn.logMany(h, bytes("many"), 100);
            Check.equal("on the creator @" + Thread.currentThread().getName(), lines.get(1), "creator");
            Check.equal("on another @other", lines.get(2), "another Java thread");
            Check.isTrue(lines.get(3).startsWith("on a worker @"), "worker: " + lines.get(3));
            Check.equal(123, lines.size(), "every line");
            // A line that the library cannot convert still arrives, repaired.
            int errorsBefore = StandIn.liveCount("error");
            StandIn.log(h, new byte[] {'a', (byte) 0xE9, 'b'});
            Check.equal("a\ufffdb @" + Thread.currentThread().getName(), lines.get(123), "repaired line");
            Check.equal(errorsBefore, StandIn.liveCount("error"), "the refusal's error given back");
            // Repaired, a character beyond U+FFFF still arrives whole.
            byte[] smiling = {'a', (byte) 0xE9, (byte) 0xF0, (byte) 0x9F, (byte) 0x98, (byte) 0x80};
            StandIn.logFromWorker(h, smiling);
            Check.equal("a\ufffd\ud83d\ude00 @", lines.get(124).substring(0, 6), "repaired line with U+1F600");
            logged.release();
        });

        table.add("aFileNameBeyondTheBasicPlaneComesBackWhole", () -> {
            long h = (Long) call(engine, "VRNengineCreate");
            String name = "/nonexistent/caf\u00e9-\ud83d\ude00.def";
            VarnelException thrown = Check.throwsOf(VarnelException.class, () -> call(engine, "VRNengineLoad", h, name));
            Check.equal(name, thrown.VRNvarnelExceptionGetParameter(thrown.handle(), "FileName"), "FileName");
            Check.equal("FileName", thrown.VRNvarnelExceptionGetKey(thrown.handle(), 0), "its key");
            giveBack(thrown);
            releaseEngine(engine, h);
            expectNoLeaks("the file name");
        });

        table.add("aReleaseWhoseCallbackCannotBeClearedStillGivesEverythingBack", () -> {
            int engines = StandIn.liveCount("engine");
            Engine logged = new Engine();
            List<String> lines = Collections.synchronizedList(new ArrayList<>());
            Engine.LogListener listener = lines::add;
            logged.setLogListener(listener);
            WeakReference<Engine> gone = new WeakReference<>(logged);
            Check.isTrue(StandIn.failNext("VRNengineSetLogCallBackPerEngine", "Injected failure", null, null),
                    "injectable");
            VarnelException thrown = Check.throwsOf(VarnelException.class, logged::release);
            expectAdopted(thrown, "Injected failure", "the failed clear");
            Check.equal(engines, StandIn.liveCount("engine"), "the engine given back");
            logged = null;
            for (int i = 0; i < 50 && gone.get() != null; ++i) {
                System.gc();
                Thread.sleep(10);
            }
            Check.isTrue(gone.get() == null, "the listener's global reference deleted");
            expectNoLeaks("the failed clear");
        });

        table.add("afterAFailedClearAnEngineThatLivesOnReachesNoListener", () -> {
            Engine logged = new Engine();
            List<String> lines = Collections.synchronizedList(new ArrayList<>());
            logged.setLogListener(lines::add);
            long h = logged.handle();
            call(logged, "VRNengineAddRef", h);
            StandIn.failNext("VRNengineSetLogCallBackPerEngine", "Injected failure", null, null);
            VarnelException thrown = Check.throwsOf(VarnelException.class, logged::release);
            giveBack(thrown);
            StandIn.log(h, bytes("after the release"));
            StandIn.logFromWorker(h, bytes("after the release"));
            Check.equal(0, lines.size(), "lines after the release");
            call(logged, "VRNengineRelease", h, 0L);
            Check.equal(1, StandIn.liveCount("engine"), "only the suite's engine is alive");
        });

        table.add("aReleaseWithATokenNotTheEnginesListenerIsRefusedAndClearsNothing", () -> {
            Engine logged = new Engine();
            List<String> lines = Collections.synchronizedList(new ArrayList<>());
            logged.setLogListener(lines::add);
            long h = logged.handle();
            long[] forged = {0L, h, Long.MIN_VALUE};
            for (int i = 0; i < forged.length; ++i) {
                call(logged, "VRNengineAddRef", h);  // kept, should a release go through
            }
            StandIn.reset();
            for (long token : forged) {
                VarnelException refused = Check.throwsOf(VarnelException.class,
                        () -> call(logged, "VRNengineRelease", h, token));
                Check.contains(refused.getMessage(), "VRNengineRelease", token + ": names the native");
                Check.equal(0L, refused.handle(), token + ": made from a text");
            }
            Check.equal("", libraryCalls(), "library calls");
            StandIn.log(h, bytes("still heard"));
            Check.equal(List.of("still heard"), lines, "the listener's lines");
            logged.release();
            for (int i = 0; i < forged.length; ++i) {
                call(logged, "VRNengineRelease", h, 0L);
            }
            Check.equal(1, StandIn.liveCount("engine"), "only the suite's engine is alive");
        });

        table.add("aReleasedListenerHearsNothingFromAnEngineThatLivesOn", () -> {
            Engine logged = new Engine();
            List<String> lines = new ArrayList<>();
            logged.setLogListener(lines::add);
            long h = logged.handle();
            call(logged, "VRNengineAddRef", h);
            logged.release();
            StandIn.log(h, bytes("after the release"));
            StandIn.logFromWorker(h, bytes("after the release"));
            Check.equal(0, lines.size(), "lines after the release");
            call(logged, "VRNengineRelease", h, 0L);
            Check.equal(1, StandIn.liveCount("engine"), "only the suite's engine is alive");
        });

        table.add("aReleaseDuringACallGivesTheEngineBackWhenTheCallHasLeft", () -> {
            // The engine logs a line inside Load, on the caller's thread, and its listener
            // releases the engine there. Rows: the case, a library function that refuses as
            // the engine goes back (null for none).
            String[][] rows = {{"plain", null}, {"the callback's clear refused", "VRNengineSetLogCallBackPerEngine"}};
            for (String[] row : rows) {
                int engines = StandIn.liveCount("engine");
                int errors = StandIn.liveCount("error");
                Engine released = new Engine();
                List<String> inside = new ArrayList<>();
                released.setLogListener(line -> {
                    released.release();
                    inside.add("handle " + released.handle() + ", releases " + StandIn.callCount("VRNengineRelease"));
                    inside.add(Check.throwsOf(VarnelException.class, released::use).getMessage());
                });
                StandIn.reset();
                if (row[1] != null) {
                    StandIn.failNext(row[1], "Injected failure", null, null);
                }
                try (HandleUse use = released.use()) {
                    released.VRNengineLoad(use.handle(), definition());
                    Check.equal(List.of("handle 0, releases 0", "Engine used after its release()"), inside,
                                row[0] + ": in the listener");
                    Check.equal(engines + 1, StandIn.liveCount("engine"), row[0] + ": alive while the call is in flight");
                }
                Check.equal(engines, StandIn.liveCount("engine"), row[0] + ": given back as the call left");
                Check.equal(1, StandIn.callCount("VRNengineRelease"), row[0] + ": releases");
                Check.equal(errors, StandIn.liveCount("error"), row[0] + ": the refusal's error given back");
            }
        });
    }

    /**
     * 300 objects, each released by four threads at once: every object is given back once
     * (releases counts the library's releases so far).
     */
    static void releasedOnceByFourThreads(String name, java.util.function.Supplier<Runnable> make,
                                          java.util.function.IntSupplier releases) throws InterruptedException {
        final int rounds = 300;
        final int threads = 4;
        int before = releases.getAsInt();
        for (int round = 0; round < rounds; ++round) {
            Runnable release = make.get();
            java.util.concurrent.CyclicBarrier start = new java.util.concurrent.CyclicBarrier(threads);
            Thread[] racing = new Thread[threads];
            for (int t = 0; t < threads; ++t) {
                racing[t] = new Thread(() -> {
                    try {
                        start.await();
                    } catch (Exception interrupted) {
                        return;
                    }
                    release.run();
                });
                racing[t].start();
            }
            for (Thread thread : racing) {
                thread.join();
            }
        }
        Check.equal(rounds, releases.getAsInt() - before, name + ": releases of " + rounds + " objects");
    }

    /** Failing calls whose exceptions nobody keeps, in a frame that is gone afterwards. */
    static void dropFailures(Engine engine, long h, int count) {
        for (int i = 0; i < count; ++i) {
            try {
                engine.VRNengineMessageName(h, 99);
            } catch (VarnelException dropped) {
                // dropped
            }
        }
    }

    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.UTF_8);
    }

    static String code(Class<?> type) {
        if (type == long.class) {
            return "J";
        }
        if (type == int.class) {
            return "I";
        }
        if (type == boolean.class) {
            return "Z";
        }
        if (type == void.class) {
            return "V";
        }
        return "L" + type.getName().replace('.', '/') + ";";
    }
}
