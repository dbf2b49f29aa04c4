package varneltests;

import com.olvenmark.varnel.Config;
import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.Table;
import com.olvenmark.varnel.VarnelDateTime;
import com.olvenmark.varnel.VarnelEncoding;
import com.olvenmark.varnel.VarnelException;
import harness.Cases;
import harness.Check;
import harness.Suite;

import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.List;

/**
 * The natives of Table, Config, VarnelException and VarnelDateTime in a real JVM over the
 * vrn_core stand-in: every native under an injected failure, with the all-ones handle and
 * with null strings; a message parsed into a Table, read and written by column name and
 * through its sub-tables, and generated back; the delimiters' bytes; the error texts as
 * the JVM's modified UTF-8; date-times.
 */
public final class DataSuite implements Suite {
    static {
        Jdk.accept();
    }

    static final List<String> CLASSES = Arrays.asList("Table", "Config", "VarnelException", "VarnelDateTime");

    /** The rows of vrn_core's data classes, or with all = true VarnelEncoding's too. */
    static List<EngineSuite.Row> rows() {
        return rows(false);
    }

    static List<EngineSuite.Row> rows(boolean all) {
        List<EngineSuite.Row> rows = new ArrayList<>();
        for (String line : StandIn.nativeTable()) {
            EngineSuite.Row row = new EngineSuite.Row(line);
            if (CLASSES.contains(row.className) || (all && row.className.equals("VarnelEncoding"))) {
                rows.add(row);
            }
        }
        return rows;
    }

    /** One object of each class, and the handles its natives work on. */
    final Engine engine = new Engine();
    final Table table = new Table();
    final VarnelDateTime dateTime = new VarnelDateTime();
    final VarnelException exception = new VarnelException("for its natives");
    long engineHandle, msh, configHandle, errorHandle;
    Config config;

    Object target(EngineSuite.Row row) {
        switch (row.className) {
            case "Table": return table;
            case "Config": return config;
            case "VarnelException": return exception;
            default: return dateTime;
        }
    }

    long handleOf(EngineSuite.Row row) {
        switch (row.className) {
            case "Table": return msh;
            case "Config": return configHandle;
            case "VarnelException": return errorHandle;
            default: return dateTime.handle();
        }
    }

    static Method method(Class<?> type, String name) {
        for (Method m : type.getDeclaredMethods()) {
            if (m.getName().equals(name)) {
                return m;
            }
        }
        throw new AssertionError(type.getName() + " has no method " + name);
    }

    static Object call(Object target, String name, Object... args) throws Throwable {
        try {
            return method(target.getClass(), name).invoke(target, args);
        } catch (InvocationTargetException thrown) {
            throw thrown.getCause();
        }
    }

    Object call(EngineSuite.Row row, Object[] args) throws Throwable {
        return call(target(row), row.method, args);
    }

    /** Arguments that vrn_core accepts; a null at nullAt (a String position). */
    Object[] arguments(EngineSuite.Row row, int nullAt) {
        List<Character> types = row.parameters();
        Object[] args = new Object[types.size()];
        for (int i = 0; i < args.length; ++i) {
            switch (types.get(i)) {
                case 'J': args[i] = i == 0 ? handleOf(row) : 0L; break;
                case 'I': args[i] = i > 1 ? 0 : row.className.equals("Config") ? 1 : 2; break;
                case 'D': args[i] = 0.25; break;
                case 'C': args[i] = '#'; break;
                case 'S': args[i] = (short) 0; break;
                default: args[i] = i == nullAt ? null : row.method.equals("VRNtableColumnIndex") ? "MSH.3" : "yyyy";
            }
        }
        return args;
    }

    /** Error objects alive before the suite's own. */
    int errorsBefore;

    void expectNoLeaks(String what) {
        Check.equal(errorsBefore + 1, StandIn.liveCount("error"), what + ": error objects alive");
        Check.equal(0, StandIn.liveCount("multibyte"), what + ": library texts alive");
        Check.equal(0, StandIn.liveCount("wide"), what + ": wide texts alive");
        Check.equal(1, StandIn.liveCount("datetime"), what + ": only the suite's date-time is alive");
    }

    @Override
    public void cases(Cases cases) {
        engineHandle = engine.handle();
        errorsBefore = StandIn.liveCount("error");
        try {
            call(engine, "VRNengineLoad", engineHandle, EngineSuite.definition());
            call(engine, "VRNengineParseMessage", engineHandle, EngineSuite.ADT, table.handle());
            msh = table.VRNtableSubTable(table.handle(), 0, 0);
            configHandle = engine.VRNengineConfigHandle(engineHandle);
            config = new Config(configHandle);
            errorHandle = exception.VRNvarnelExceptionCreate("an error of the suite");
            dateTime.VRNdateTimeSetDATE(dateTime.handle(), 46023.5);
        } catch (Throwable failed) {
            throw new AssertionError("the suite's objects", failed);
        }

        cases.add("eachClassDeclaresItsNativesOfTheTable", () -> {
            Class<?>[] classes = {Table.class, Config.class, VarnelException.class, VarnelDateTime.class,
                VarnelEncoding.class};
            List<String> declared = new ArrayList<>();
            for (Class<?> type : classes) {
                for (Method m : type.getDeclaredMethods()) {
                    if (Modifier.isNative(m.getModifiers())) {
                        StringBuilder signature = new StringBuilder("(");
                        for (Class<?> parameter : m.getParameterTypes()) {
                            signature.append(code(parameter));
                        }
                        declared.add(type.getSimpleName() + "." + m.getName() + " "
                                + signature.append(')').append(code(m.getReturnType())));
                    }
                }
            }
            List<String> expected = new ArrayList<>();
            for (EngineSuite.Row row : rows(true)) {
                expected.add(row.className + "." + row.method + " " + row.signature);
            }
            Collections.sort(declared);
            Collections.sort(expected);
            Check.equal(expected, declared, "natives");
            Check.equal(60, expected.size(), "data and encoding natives");
        });

        cases.add("aDescribedErrorReachesJavaWithEachRowsValue", () -> {
            for (EngineSuite.Row row : rows()) {
                if (row.shape.equals("NoCall")) {
                    continue;
                }
                StandIn.reset();
                Check.isTrue(StandIn.failNext(row.function, "Injected failure", "Key", "Value"), row + ": injectable");
                Object[] args = arguments(row, -1);
                VarnelException thrown = Check.throwsOf(VarnelException.class, () -> call(row, args));
                Check.equal("Value", StandIn.parameter(thrown.handle(), "Key"), row + ": parameter");
                EngineSuite.expectAdopted(thrown, "Injected failure", row.toString());
                expectNoLeaks(row.toString());
            }
        });

        cases.add("theAllOnesHandleIsUnhandledOnEveryRow", () -> {
            for (EngineSuite.Row row : rows()) {
                if (row.shape.equals("NoCall")) {
                    continue;
                }
                StandIn.reset();
                Check.isTrue(StandIn.failNextUnhandled(row.function), row + ": injectable");
                Object[] args = arguments(row, -1);
                VarnelException thrown = Check.throwsOf(VarnelException.class, () -> call(row, args));
                Check.equal(0L, thrown.handle(), row + ": made from a text");
                Check.equal("Unhandled exception.", thrown.getMessage(), row + ": the direct road's text");
                Check.isTrue(!StandIn.journal().contains("all-ones"), row + ": handed back: " + StandIn.journal());
                expectNoLeaks(row.toString());
            }
        });

        cases.add("aNullStringIsRefusedBeforeAnyLibraryCall", () -> {
            int checked = 0;
            for (EngineSuite.Row row : rows()) {
                for (int at : row.stringPositions()) {
                    StandIn.reset();
                    Object[] args = arguments(row, at);
                    String what = row + " argument " + at;
                    VarnelException thrown = Check.throwsOf(VarnelException.class, () -> call(row, args));
                    Check.equal("", EngineSuite.libraryCalls(), what + ": no library call");
                    Check.equal(0, StandIn.parameterCount(thrown.handle()), what + ": no parameters");
                    Check.equal("Illegal - Null string passed in argument in method " + row.name,
                            exception.VRNvarnelExceptionGetMessage(thrown.handle()), what + ": read by its own native");
                    Check.equal(0, exception.VRNvarnelExceptionGetCountOfParameter(thrown.handle()), what);
                    EngineSuite.giveBack(thrown);
                    expectNoLeaks(what);
                    ++checked;
                }
            }
            Check.equal(5, checked, "string arguments");
        });

        cases.add("anAdtMessageIsReadAndWrittenThroughItsTableAndGeneratedBack", () -> {
            Table message = new Table();
            long h = message.handle();
            Check.equal(0, call(engine, "VRNengineParseMessage", engineHandle, EngineSuite.ADT, h), "ADT_A01");
            Check.equal("ADT_A01", message.VRNtableName(h), "the table's name");
            Check.equal(1, message.VRNtableCountOfColumn(h), "one column of segments");
            Check.equal(3, message.VRNtableCountOfRow(h), "one row per segment");
            Check.equal(3, message.VRNtableCountOfSubTable(h), "each segment a sub-table");
            Check.equal(4, message.VRNtableColumnType(h, 0), "the segment column holds tables");
            long pid = message.VRNtableSubTable(h, 0, 2);
            Check.equal("PID", message.VRNtableName(pid), "third segment");
            int name = message.VRNtableColumnIndex(pid, "PID.5");
            Check.equal(4, name, "a column found by its name");
            Check.equal("PID.5", message.VRNtableColumnName(pid, name), "and its name");
            Check.equal("1", message.VRNtableGetString(pid, message.VRNtableColumnIndex(pid, "PID.1"), 0), "PID-1");
            int empty = message.VRNtableColumnIndex(pid, "PID.2");
            Check.isTrue(message.VRNtableIsNull(pid, empty, 0), "an empty field is a null cell");
            Check.equal(0, message.VRNtableState(pid, empty, 0), "null state");
            Check.equal(2, message.VRNtableState(pid, name, 0), "a sub-table's state");
            long components = message.VRNtableSubTable(pid, name, 0);
            Check.equal("Doe", message.VRNtableGetString(components, 0, 0), "family name");
            Check.equal("Jane", message.VRNtableGetString(components, 1, 0), "given name");
            message.VRNtableSetString(components, 1, 0, "Jos\u00e9");
            message.VRNtableSetString(pid, empty, 0, "X9");
            Check.isTrue(!message.VRNtableIsNull(pid, empty, 0), "a null cell written");
            message.VRNtableSetString(pid, message.VRNtableColumnIndex(pid, "PID.1"), 0, "");
            VarnelException missing = Check.throwsOf(VarnelException.class,
                    () -> message.VRNtableColumnIndex(pid, "PID.99"));
            Check.equal("PID.99", StandIn.parameter(missing.handle(), "Name"), "the name vrn_core was given");
            EngineSuite.giveBack(missing);
            String dump = message.VRNtableDump(h);
            Check.contains(dump, "\"Jos\u00e9\"", "the dump shows the new cell");
            Check.equal("MSH|^~\\&|SEND|FAC|RECV|RFAC|20260101||ADT^A01|42|P|2.5\r"
                    + "EVN|A01\rPID||X9|7^^^H||Doe^Jos\u00e9\r",
                    call(engine, "VRNengineGenerateMessage", engineHandle, 0, h), "generated back");
            message.VRNtableAddRow(h);
            Check.equal(4, message.VRNtableCountOfRow(h), "a row added");
            message.release();
            Check.equal(0, StandIn.liveCount("dump"), "dump buffers given back");
            expectNoLeaks("the ADT message");
        });

        cases.add("typedCellsKeepTheirValues", () -> {
            long h = table.handle();
            table.VRNtableSetDouble(msh, 9, 0, -2.5);
            table.VRNtableSetInteger(msh, 10, 0, Integer.MIN_VALUE);
            table.VRNtableSetDateTime(msh, 11, 0, Long.MAX_VALUE);
            Check.equal(-2.5, table.VRNtableGetDouble(msh, 9, 0), "double");
            Check.equal(Integer.MIN_VALUE, table.VRNtableGetInteger(msh, 10, 0), "integer");
            Check.equal(Long.MAX_VALUE, table.VRNtableGetDateTime(msh, 11, 0), "date-time value");
            StandIn.reset();
            VarnelException outside = Check.throwsOf(VarnelException.class, () -> table.VRNtableGetInteger(msh, -1, 0));
            Check.equal("-1", StandIn.parameter(outside.handle(), "First"), "the index vrn_core was given");
            EngineSuite.giveBack(outside);
            table.VRNtableAddRef(h);
            table.VRNtableRelease(h);
            expectNoLeaks("typed cells");
        });

        cases.add("delimitersAreSingleBytes", () -> {
            long c = configHandle;
            Check.equal(3, config.VRNconfigCountOfDelimiter(c), "levels");
            config.VRNconfigSetDelimiterChar(c, 3, '\u00ff');
            Check.equal('\uffff', config.VRNconfigGetDelimiterChar(c, 3), "0xFF read back sign-extended");
            StandIn.reset();
            config.VRNconfigSetRepeatChar(c, '\u00ff');
            Check.equal("VRNconfigSetRepeatChar", StandIn.journal().split(" ")[0], "called");
            Check.isTrue(StandIn.journal().endsWith(" 1 -1"), "level 1, sign-extended: " + StandIn.journal());
            Check.equal('\u00ff', config.VRNconfigGetRepeatChar(c), "the 32-bit value");
            for (char wide : new char[] {'\u0100', '\u0141'}) {
                StandIn.reset();
                VarnelException refused = Check.throwsOf(VarnelException.class,
                        () -> config.VRNconfigSetDelimiterChar(c, 1, wide));
                Check.contains(refused.getMessage(), "does not fit in one byte", "refused");
                Check.equal("", StandIn.journal(), "nothing reaches vrn_core");
            }
            java.util.List<Runnable> nulSetters = java.util.List.of(
                    () -> config.VRNconfigSetDelimiterChar(c, 1, '\u0000'),
                    () -> config.VRNconfigSetDelimiterChar(c, 2, '\u0000'),
                    () -> config.VRNconfigSetRepeatChar(c, '\u0000'),
                    () -> config.VRNconfigSetEscapeChar(c, '\u0000'));
            for (Runnable setter : nulSetters) {
                StandIn.reset();
                VarnelException refused = Check.throwsOf(VarnelException.class, setter::run);
                Check.contains(refused.getMessage(), "U+0000", "a NUL delimiter refused");
                Check.equal("", StandIn.journal(), "nothing reaches vrn_core");
            }
            Check.equal('^', config.VRNconfigGetDelimiterChar(c, 2), "the component separator unchanged");
            Check.equal('|', config.VRNconfigGetDelimiterChar(c, 1), "the field separator unchanged");
            config.VRNconfigSetRepeatChar(c, '~');
            config.VRNconfigSetEscapeChar(c, '\\');
            Check.equal('\\', config.VRNconfigGetEscapeChar(c), "escape");
            config.VRNconfigSetDelimiterChar(c, 3, '&');
            config.VRNconfigAddRef(c);
            config.VRNconfigRelease(c);
            Table fresh = new Table();
            call(engine, "VRNengineParseMessage", engineHandle, EngineSuite.ADT, fresh.handle());
            Check.equal(EngineSuite.ADT, call(engine, "VRNengineGenerateMessage", engineHandle, 0, fresh.handle()),
                    "the restored configuration generates the message as it was");
            fresh.release();
        });

        cases.add("errorTextsAreTheJvmsModifiedUtf8BothWays", () -> {
            String text = "caf\u00e9 \ud83d\ude00";
            long made = exception.VRNvarnelExceptionCreate(text);
            Check.equal(text, exception.VRNvarnelExceptionGetMessage(made), "description round trip");
            exception.VRNvarnelExceptionAddRef(made);
            Check.equal(2L, StandIn.referenceCount(made), "a reference added");
            exception.VRNvarnelExceptionRelease(made);
            exception.VRNvarnelExceptionRelease(made);
            Check.equal(errorsBefore + 1, StandIn.liveCount("error"), "the last release deletes it");
            StandIn.failNext("VRNtableAddRow", "parameters", "\ud83d\ude00", "\u00e9");
            VarnelException thrown = Check.throwsOf(VarnelException.class, () -> table.VRNtableAddRow(msh));
            long h = thrown.handle();
            Check.equal(1, exception.VRNvarnelExceptionGetCountOfParameter(h), "one parameter");
            Check.equal("\ud83d\ude00", exception.VRNvarnelExceptionGetKey(h, 0), "the key");
            Check.equal("\u00e9", exception.VRNvarnelExceptionGetParameter(h, "\ud83d\ude00"), "its value");
            Check.equal("", exception.VRNvarnelExceptionGetParameter(h, "\u00e9"), "a key it lacks");
            exception.VRNvarnelExceptionRelease(h);
            expectNoLeaks("error texts");
        });

        cases.add("dateTimesCrossWithTheirSigns", () -> {
            VarnelDateTime value = new VarnelDateTime();
            long h = value.handle();
            Check.isTrue(value.VRNdateTimeIsNull(h), "a new date-time is null");
            Check.equal((short) 0, value.VRNdateTimeGetOffsetIsDefined(h), "no offset for a null value");
            VarnelException unformatted = Check.throwsOf(VarnelException.class,
                    () -> value.VRNdateTimeFormat(h, "yyyy"));
            EngineSuite.giveBack(unformatted);
            value.VRNdateTimeSetDATE(h, 46023.75);
            value.VRNdateTimeSetSecondFraction(h, 0.25);
            Check.near(0.25, value.VRNdateTimeGetSecondFraction(h), 1e-5, "the second fraction read from DATE");
            Check.near(46023.75 + 0.25 / 86400, value.VRNdateTimeGetDATE(h), 1e-9, "the fraction is part of DATE");
            Check.equal("2026-01-01 18:00:00", value.VRNdateTimeFormat(h, "yyyy-MM-dd HH:mm:ss"), "formatted");
            value.VRNdateTimeSetZone(h, (short) -1);
            Check.equal((short) -1, value.VRNdateTimeGetZone(h), "zone signed");
            value.VRNdateTimeSetOffsetInMinutes(h, (short) -300, (short) 1);
            Check.equal((short) -300, value.VRNdateTimeGetOffsetInMinutes(h), "offset signed");
            Check.equal((short) 1, value.VRNdateTimeGetOffsetIsDefined(h), "a value has its offset");
            Check.isTrue(!value.VRNdateTimeIsNull(h), "set");
            StandIn.setNullFlags(1, 0x8000);
            VarnelDateTime other = new VarnelDateTime();
            Check.isTrue(other.VRNdateTimeIsNull(other.handle()), "0x8000 is true");
            other.release();
            // The second fraction reads back as set on both sides of day 0, the day kept.
            double[] dates = {-1.75, -0.25, -1.0, 0.5, 45292.5, 45292 + 86399.5 / 86400, -2 - 86399.5 / 86400};
            for (double date : dates) {
                value.VRNdateTimeSetDATE(h, date);
                value.VRNdateTimeSetSecondFraction(h, 0.25);
                Check.near(0.25, value.VRNdateTimeGetSecondFraction(h), 1e-5, "the second fraction at " + date);
                Check.equal((long) date, (long) value.VRNdateTimeGetDATE(h), "the day at " + date);
            }
            value.VRNdateTimeSetDATE(h, -1.75);
            Check.equal("1899-12-29 18:00:00", value.VRNdateTimeFormat(h, "yyyy-MM-dd HH:mm:ss"), "before day 0");
            value.VRNdateTimeAddRef(h);
            value.VRNdateTimeRelease(h);
            value.release();
            StandIn.reset();
            expectNoLeaks("date-times");
        });

        cases.add("theTranslationLocalesAreListedAndTheCurrentOneSet", () -> {
            VarnelEncoding encoding = new VarnelEncoding();
            Check.isTrue(encoding.handle() != 0, "an encoding object");
            encoding.VRNvarnelEncodingAddRef(encoding.handle());
            encoding.VRNvarnelEncodingRelease(encoding.handle());
            int count = encoding.VRNvarnelEncodingCountOfTranslationLocale();
            List<String> locales = new ArrayList<>();
            for (int i = 0; i < count; ++i) {
                locales.add(encoding.VRNvarnelEncodingTranslationLocale(i));
            }
            Check.equal(Arrays.asList("en_US", "de_DE", "fr_FR", "ja_JP", "zh_CN"), locales, "the list");
            String first = encoding.VRNvarnelEncodingGetCurrentTranslationLocale();
            Check.isTrue(locales.contains(first), "the current one is listed: " + first);
            encoding.VRNvarnelEncodingSetCurrentTranslationLocale("fr_FR");
            Check.equal("fr_FR", new VarnelEncoding().VRNvarnelEncodingGetCurrentTranslationLocale(),
                    "one setting for the process");
            VarnelException unknown = Check.throwsOf(VarnelException.class,
                    () -> encoding.VRNvarnelEncodingSetCurrentTranslationLocale("xx_XX"));
            Check.equal("xx_XX", StandIn.parameter(unknown.handle(), "Locale"), "the locale sockmod2 was given");
            EngineSuite.giveBack(unknown);
            VarnelException outside = Check.throwsOf(VarnelException.class,
                    () -> encoding.VRNvarnelEncodingTranslationLocale(-1));
            Check.equal("-1", StandIn.parameter(outside.handle(), "Index"), "a negative index as it is");
            EngineSuite.giveBack(outside);
            VarnelException refused = Check.throwsOf(VarnelException.class,
                    () -> encoding.VRNvarnelEncodingSetCurrentTranslationLocale(null));
            Check.equal(0L, refused.handle(), "made from a text");
            Check.equal("The string variable NewLocale in method SetCurrentTranslationLocale cannot be null.",
                    refused.getMessage(), "the null locale");
            Check.equal("fr_FR", encoding.VRNvarnelEncodingGetCurrentTranslationLocale(), "unchanged");
            encoding.VRNvarnelEncodingSetCurrentTranslationLocale(first);
            encoding.release();
            expectNoLeaks("locales");
        });
    }

    static String code(Class<?> type) {
        if (type == double.class) {
            return "D";
        }
        if (type == char.class) {
            return "C";
        }
        if (type == short.class) {
            return "S";
        }
        return EngineSuite.code(type);
    }
}
