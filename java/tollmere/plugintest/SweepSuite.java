package plugintest;

import com.olvenmark.tollmere.plugin.PluginException;
import harness.Case;
import harness.Cases;
import harness.Check;
import harness.Suite;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.Date;
import java.util.HashMap;
import java.util.HashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;

/**
 * Every native of the table, by reflection: the Java declaration matches its shape; a call
 * reaches the namesake in the stand-in with the same handle (and a setter's value comes back
 * through its getter); an injected error object arrives as a PluginException with its
 * description and is given back; the all-ones handle arrives as "Unhandled exception"; a
 * null object argument is refused with its exact text before the library is called.
 */
public final class SweepSuite implements Suite {
    static final String PACKAGE = "com.olvenmark.tollmere.plugin.";
    static final String[] CLASSES = {
        "PluginException", "LogQuery", "LogQueryResult", "LogMessage", "Destination", "Source",
        "DisconnectReason", "DestinationMessageReceivedEventInputs",
        "DestinationMessageReceivedEventOutputs", "SourceMessageRequestedEventInputs",
        "SourceMessageRequestedEventOutputs", "SourceMessageRequestCompletedEventInputs",
        "SourceMessageRequestCompletedEventOutputs"};
    static final String TEXT = "Grüße, 東京 \uD83D\uDE00";
    // 2023-03-15 12:00:00 as a COLdateTime value, and in Java; the suite runs with TZ=UTC.
    static final double DAY_VALUE = 45000.5;
    static final long DAY_MILLISECONDS = 1678881600000L;

    final List<StandIn.Row> rows = StandIn.rows();
    final Map<String, StandIn.Row> byFunction = new HashMap<>();

    @Override
    public void cases(Cases table) {
        for (StandIn.Row row : rows) {
            byFunction.put(row.function, row);
        }
        table.add("the table has 157 natives and the classes declare exactly those", this::declarations);
        for (StandIn.Row row : rows) {
            table.add(row + " reaches its namesake", guarded(() -> success(row)));
            table.add(row + " raises an injected error", guarded(() -> described(row)));
            table.add(row + " raises the all-ones handle", guarded(() -> unhandled(row)));
            if (hasObjectArgument(row)) {
                table.add(row + " refuses null", guarded(() -> nulls(row)));
            }
        }
    }

    /** Runs a case and then checks that it left no object of the stand-in alive. */
    static Case guarded(Case body) {
        return () -> {
            StandIn.reset();
            int live = StandIn.liveCount(null);
            body.run();
            StandIn.reset();
            Check.equal(live, StandIn.liveCount(null), "live objects of the stand-in after the case");
        };
    }

    static Class<?> javaClass(String name) throws ClassNotFoundException {
        return Class.forName(PACKAGE + name);
    }

    // The Java parameter types of each shape, after which the return type.
    static Class<?>[] signature(StandIn.Row row) throws ClassNotFoundException {
        switch (row.shape) {
            case "Create": return new Class<?>[] {long.class};
            case "Reference":
            case "Action": return new Class<?>[] {long.class, void.class};
            case "TextGetter":
            case "MessageGetter": return new Class<?>[] {long.class, String.class};
            case "TextSetter": return new Class<?>[] {long.class, String.class, void.class};
            case "BoolGetter": return new Class<?>[] {long.class, boolean.class};
            case "BoolSetter": return new Class<?>[] {long.class, boolean.class, void.class};
            case "IntGetter": return new Class<?>[] {long.class, int.class};
            case "IntSetter": return new Class<?>[] {long.class, int.class, void.class};
            case "DateGetter": return new Class<?>[] {long.class, Date.class};
            case "DateSetter": return new Class<?>[] {long.class, Date.class, void.class};
            case "ObjectGetter": return new Class<?>[] {long.class, javaClass(row.a)};
            case "IndexedObjectGetter": return new Class<?>[] {long.class, int.class, javaClass(row.a)};
            case "ExceptionCreate": return new Class<?>[] {String.class, long.class};
            case "AddListener": return new Class<?>[] {long.class, long.class};
            case "ListenerRelease": return new Class<?>[] {long.class, long.class, void.class};
            case "Connect":
                return new Class<?>[] {long.class, String.class, int.class, String.class, void.class};
            case "WaitWithTimeout": return new Class<?>[] {long.class, int.class, boolean.class};
            default: throw new AssertionError("no shape " + row.shape);
        }
    }

    static Method method(StandIn.Row row) throws Exception {
        Class<?>[] types = signature(row);
        Class<?>[] parameters = new Class<?>[types.length - 1];
        System.arraycopy(types, 0, parameters, 0, parameters.length);
        return javaClass(row.javaClass).getDeclaredMethod(row.method, parameters);
    }

    void declarations() throws Exception {
        Check.equal(157, rows.size(), "rows of the table");
        Set<String> declared = new HashSet<>();
        for (String name : CLASSES) {
            for (Method m : javaClass(name).getDeclaredMethods()) {
                if (Modifier.isNative(m.getModifiers())) {
                    declared.add(name + "." + m.getName());
                }
            }
        }
        Set<String> listed = new HashSet<>();
        for (StandIn.Row row : rows) {
            listed.add(row.toString());
            Method m = method(row);
            Class<?>[] types = signature(row);
            Check.equal(types[types.length - 1], m.getReturnType(), row + " returns");
            Check.equal(!row.shape.equals("AddListener"), Modifier.isStatic(m.getModifiers()),
                        row + " is static");
            String stem = row.javaClass.equals("PluginException") ? "TLMexception" : stemOf(row.javaClass);
            Check.isTrue(row.function.startsWith(stem), row + " forwards to a function of its class");
            Check.isTrue(row.javaClass.equals("PluginException") || row.method.equals(row.function),
                         row + " bears the name of " + row.function);
        }
        Check.equal(listed, declared, "natives declared in Java");
    }

    /** A fresh object of the row's class, owned by the case, with what its shape needs. */
    final class Subject {
        final StandIn.Row row;
        long handle;
        long listener;
        final List<Object> returned = new ArrayList<>();

        Subject(StandIn.Row row) throws Throwable {
            this.row = row;
            if (row.javaClass.equals("PluginException")) {
                handle = PluginException.PluginExceptionCreate("the subject");
            } else if (row.shape.equals("IndexedObjectGetter")) {
                // A result with one message, of which the case owns one reference.
                handle = StandIn.presetQueryResult(true, StandIn.utf8(""));
                StandIn.presetAddMessage(handle);
                call("Reference", "AddRef");
            } else {
                handle = (Long) method(createRow(row.javaClass)).invoke(null);
            }
            if (row.shape.equals("ListenerRelease")) {
                listener = (Long) method(rowOf(row.javaClass, "AddListener")).invoke(endpoint(), handle);
            }
        }

        Object endpoint() throws Exception {
            return javaClass(row.javaClass).getConstructor(long.class).newInstance(handle);
        }

        void call(String shape, String operation) throws Exception {
            for (StandIn.Row r : rows) {
                if (r.javaClass.equals(row.javaClass) && r.shape.equals(shape)
                        && r.function.endsWith(operation)) {
                    method(r).invoke(null, handle);
                    return;
                }
            }
            throw new AssertionError("no " + operation + " in " + row.javaClass);
        }

        /** Calls the row's native with ordinary arguments. */
        Object invoke() throws Throwable {
            Object[] args = arguments(row, handle, listener);
            try {
                Object target = row.shape.equals("AddListener") ? endpoint() : null;
                Object result = method(row).invoke(target, args);
                returned.add(result);
                if (row.shape.equals("AddListener")) {
                    listener = (Long) result;
                }
                if (row.shape.equals("ListenerRelease")) {
                    listener = 0;
                    handle = 0;
                }
                return result;
            } catch (InvocationTargetException thrown) {
                throw thrown.getCause();
            }
        }

        /** Gives back whatever the case still holds: listener, references, made objects. */
        void dispose() throws Throwable {
            for (Object result : returned) {
                if (result == null) {
                    continue;
                }
                if (row.shape.equals("Create") || row.shape.equals("ExceptionCreate")) {
                    releaseAll(row.javaClass, (Long) result);
                } else if (row.shape.endsWith("ObjectGetter")) {
                    long made = (Long) result.getClass().getMethod("getHandle").invoke(result);
                    if (made != 0) {
                        method(rowOf(result.getClass().getSimpleName(), "Reference", "Release"))
                            .invoke(null, made);
                    }
                }
            }
            if (listener != 0 || row.javaClass.equals("Destination") || row.javaClass.equals("Source")) {
                if (handle != 0 && StandIn.refCount(handle) > 0) {
                    method(rowOf(row.javaClass, "ListenerRelease")).invoke(null, handle, listener);
                }
            }
            if (handle != 0) {
                releaseAll(row.javaClass, handle);
            }
        }
    }

    static Object[] arguments(StandIn.Row row, long handle, long listener) {
        switch (row.shape) {
            case "Create": return new Object[] {};
            case "TextSetter": return new Object[] {handle, TEXT};
            case "BoolSetter": return new Object[] {handle, true};
            case "IntSetter": return new Object[] {handle, -7};
            case "DateSetter": return new Object[] {handle, new Date(DAY_MILLISECONDS + 999)};
            case "IndexedObjectGetter": return new Object[] {handle, 0};
            case "ExceptionCreate": return new Object[] {TEXT};
            case "ListenerRelease": return new Object[] {handle, listener};
            case "Connect": return new Object[] {handle, "hôst", 8080, "chännel"};
            case "WaitWithTimeout": return new Object[] {handle, 5};
            default: return new Object[] {handle};
        }
    }

    StandIn.Row createRow(String javaClass) {
        return rowOf(javaClass, "Create");
    }

    StandIn.Row rowOf(String javaClass, String shape) {
        return rowOf(javaClass, shape, "");
    }

    StandIn.Row rowOf(String javaClass, String shape, String suffix) {
        for (StandIn.Row r : rows) {
            if (r.javaClass.equals(javaClass) && r.shape.equals(shape) && r.function.endsWith(suffix)) {
                return r;
            }
        }
        throw new AssertionError("no " + shape + " in " + javaClass);
    }

    /** Releases through the class's Release native until the stand-in forgets the handle. */
    void releaseAll(String javaClass, long handle) throws Exception {
        boolean endpoint = javaClass.equals("Destination") || javaClass.equals("Source");
        Method release = endpoint ? method(rowOf(javaClass, "ListenerRelease"))
                                  : method(rowOf(javaClass, "Reference", "Release"));
        for (int guard = 0; StandIn.refCount(handle) > 0 && guard < 10; ++guard) {
            if (endpoint) {
                release.invoke(null, handle, 0L);
            } else {
                release.invoke(null, handle);
            }
        }
        Check.equal(-1L, StandIn.refCount(handle), "references left on " + StandIn.handle(handle));
    }

    static String stemOf(String javaClass) {
        return "TLM" + Character.toLowerCase(javaClass.charAt(0)) + javaClass.substring(1);
    }

    /** The field a getter or setter of the stand-in works on. */
    static String field(StandIn.Row row) {
        String stem = row.javaClass.equals("PluginException") ? "TLMexception" : stemOf(row.javaClass);
        String operation = row.function.substring(stem.length());
        return operation.startsWith("Get") || operation.startsWith("Set") ? operation.substring(3) : operation;
    }

    StandIn.Row getterOf(StandIn.Row setter) {
        String name = setter.function.replaceFirst("Set(?=" + field(setter) + "$)", "Get");
        return name.equals(setter.function) ? null : byFunction.get(name);
    }

    void success(StandIn.Row row) throws Throwable {
        Subject subject = new Subject(row);
        try {
            presetGetter(row, subject.handle);
            int start = StandIn.journalCount();
            Object result = subject.invoke();
            List<String> seen = StandIn.journalSince(start);
            String h = StandIn.handle(row.shape.equals("ListenerRelease") ? handleOf(seen) : subject.handle);
            String expected = expectedEntry(row, h);
            Check.isTrue(!seen.isEmpty(), row + " called nothing");
            String last = seen.get(seen.size() - 1);
            Check.isTrue(last.startsWith(expected), row + ": expected <" + expected + "...> in " + seen);
            checkResult(row, subject, result);
        } finally {
            subject.dispose();
        }
    }

    static long handleOf(List<String> seen) {
        String[] parts = seen.get(seen.size() - 1).split(" ");
        return Long.parseLong(parts[1].substring(2), 16);
    }

    static String expectedEntry(StandIn.Row row, String h) {
        String f = row.function;
        switch (row.shape) {
            case "Create": return f + " &";
            case "TextSetter": return f + " " + h + " " + StandIn.hex(TEXT);
            case "BoolSetter": return f + " " + h + " 1";
            case "IntSetter": return f + " " + h + " -7";
            case "DateSetter": return f + " " + h + " 45000.5";
            case "IndexedObjectGetter": return f + " " + h + " 0 &";
            case "ExceptionCreate": return f + " 0x0 & " + StandIn.hex(TEXT);
            case "AddListener": return f + " " + h + " 0x";
            case "Connect": return f + " " + h + " " + StandIn.hex("hôst") + " 8080 " + StandIn.hex("chännel");
            case "WaitWithTimeout": return f + " " + h + " 5 &";
            case "Reference":
            case "Action":
            case "ListenerRelease": return f + " " + h;
            default: return f + " " + h + " &";
        }
    }

    /** Values for the getters: what a setter of the library will have set, or the stand-in. */
    void presetGetter(StandIn.Row row, long handle) {
        String field = field(row);
        switch (row.shape) {
            case "TextGetter":
            case "MessageGetter":
                StandIn.setText(handle, field, TEXT);
                break;
            case "BoolGetter":
                StandIn.setBool(handle, field, 1);
                break;
            case "IntGetter":
                if (!field.equals("CountOfMessage")) {
                    StandIn.setInt(handle, field, -12345);
                }
                break;
            case "DateGetter":
                StandIn.setDouble(handle, field, DAY_VALUE);
                break;
            case "WaitWithTimeout":
                StandIn.setBool(handle, "Disconnected", 1);
                break;
            default:
                break;
        }
    }

    void checkResult(StandIn.Row row, Subject subject, Object result) throws Throwable {
        long h = subject.handle;
        switch (row.shape) {
            case "TextGetter":
            case "MessageGetter":
                Check.equal(TEXT, result, row + " returns");
                break;
            case "BoolGetter":
            case "WaitWithTimeout":
                Check.equal(true, result, row + " returns");
                break;
            case "IntGetter":
                Check.equal(field(row).equals("CountOfMessage") ? 0 : -12345, result, row + " returns");
                break;
            case "DateGetter":
                Check.equal(DAY_MILLISECONDS, ((Date) result).getTime(), row + " returns");
                break;
            case "Reference":
                Check.equal(row.function.endsWith("AddRef") ? 2L : -1L, StandIn.refCount(h), row + " count");
                break;
            case "ObjectGetter":
            case "IndexedObjectGetter": {
                Check.equal(row.a, result.getClass().getSimpleName(), row + " wraps");
                long made = (Long) result.getClass().getMethod("getHandle").invoke(result);
                if (row.shape.equals("IndexedObjectGetter")) {
                    Check.isTrue(made != 0 && StandIn.refCount(made) == 2, row + " gives a referenced message");
                }
                break;
            }
            case "AddListener":
                Check.equal(1, StandIn.listenerCount(h), row + " registered");
                break;
            case "ListenerRelease":
                break;
            case "ExceptionCreate":
                Check.equal(StandIn.hex(TEXT), StandIn.getField((Long) result, "Description"), row + " made");
                break;
            case "Connect":
                Check.equal(StandIn.hex("hôst"), StandIn.getField(h, "HostName"), row + " host");
                Check.equal("8080", StandIn.getField(h, "Port"), row + " port");
                Check.equal(StandIn.hex("chännel"), StandIn.getField(h, "ChannelName"), row + " channel");
                break;
            case "TextSetter":
            case "BoolSetter":
            case "IntSetter":
            case "DateSetter":
                roundTrip(row, h);
                break;
            default:
                break;
        }
    }

    /** What a setter set comes back through its getter, or stands in the stand-in. */
    void roundTrip(StandIn.Row row, long h) throws Throwable {
        StandIn.Row getter = getterOf(row);
        if (getter == null) {
            String kept = StandIn.getField(h, field(row));
            Check.equal(StandIn.hex(TEXT), kept, row + " kept");
            return;
        }
        Method get = method(getter);
        Method set = method(row);
        switch (row.shape) {
            case "TextSetter":
                Check.equal(TEXT, get.invoke(null, h), getter + " after " + row);
                break;
            case "BoolSetter":
                Check.equal(true, get.invoke(null, h), getter + " after " + row + "(true)");
                set.invoke(null, h, false);
                Check.equal(false, get.invoke(null, h), getter + " after " + row + "(false)");
                break;
            case "IntSetter":
                Check.equal(-7, get.invoke(null, h), getter + " after " + row);
                break;
            case "DateSetter":
                Check.equal(DAY_MILLISECONDS, ((Date) get.invoke(null, h)).getTime(), getter + " after " + row);
                break;
            default:
                break;
        }
    }

    static PluginException raised(Case body, String what) {
        try {
            body.run();
        } catch (PluginException thrown) {
            return thrown;
        } catch (Throwable other) {
            throw new AssertionError(what + ": expected a PluginException but got " + other, other);
        }
        throw new AssertionError(what + ": expected a PluginException, nothing was thrown");
    }

    void described(StandIn.Row row) throws Throwable {
        Subject subject = new Subject(row);
        try {
            int errors = StandIn.liveCount("exception");
            StandIn.injectError(row.function, "refused — " + TEXT);
            PluginException thrown = raised(subject::invoke, row.toString());
            Check.equal("refused — " + TEXT, thrown.getMessage(), row + " message");
            Check.equal(0L, thrown.getHandle(), row + ": its error object given back, no handle left to use");
            Check.equal(errors, StandIn.liveCount("exception"), row + ": error objects alive");
        } finally {
            subject.dispose();
        }
    }

    void unhandled(StandIn.Row row) throws Throwable {
        Subject subject = new Subject(row);
        try {
            StandIn.injectUnhandled(row.function);
            PluginException thrown = raised(subject::invoke, row.toString());
            Check.equal("Unhandled exception", thrown.getMessage(), row + " message");
            Check.equal(0L, thrown.getHandle(), row + " carries no object");
        } finally {
            subject.dispose();
        }
    }

    static boolean hasObjectArgument(StandIn.Row row) {
        return row.shape.equals("TextSetter") || row.shape.equals("DateSetter")
            || row.shape.equals("ExceptionCreate") || row.shape.equals("Connect");
    }

    void nulls(StandIn.Row row) throws Throwable {
        Subject subject = new Subject(row);
        try {
            List<Object[]> cases = new ArrayList<>();
            List<String> texts = new ArrayList<>();
            long h = subject.handle;
            switch (row.shape) {
                case "Connect":
                    cases.add(new Object[] {h, null, 1, "c"});
                    texts.add("The string variable " + row.a + " in method Connect cannot be null.");
                    cases.add(new Object[] {h, "h", 1, null});
                    texts.add("The string variable " + row.b + " in method Connect cannot be null.");
                    cases.add(new Object[] {h, null, 1, null});
                    texts.add("The string variable " + row.a + " in method Connect cannot be null.");
                    break;
                case "ExceptionCreate":
                    cases.add(new Object[] {null});
                    texts.add("The string variable " + row.a + " in method " + row.b + " cannot be null.");
                    break;
                default:
                    cases.add(new Object[] {h, null});
                    texts.add("The " + (row.shape.equals("DateSetter") ? "date" : "string") + " variable "
                              + row.a + " in method " + row.b + " cannot be null.");
                    break;
            }
            for (int i = 0; i < cases.size(); ++i) {
                Object[] args = cases.get(i);
                int start = StandIn.journalCount();
                PluginException thrown = raised(() -> {
                    try {
                        method(row).invoke(null, args);
                    } catch (InvocationTargetException t) {
                        throw t.getCause();
                    }
                }, row + " with null #" + i);
                Check.equal(texts.get(i), thrown.getMessage(), row + " null #" + i);
                Check.equal(new ArrayList<String>(), StandIn.journalSince(start), row + " null #" + i + " called");
            }
        } finally {
            subject.dispose();
        }
    }
}
