package plugintest;

import com.olvenmark.tollmere.plugin.LogMessage;
import com.olvenmark.tollmere.plugin.LogQuery;
import com.olvenmark.tollmere.plugin.PluginException;
import harness.Cases;
import harness.Check;
import harness.Suite;
import java.util.Date;

/**
 * Text and dates through real setter and getter pairs: Java strings reach the library as
 * strict UTF-8 (never modified UTF-8), the library's bytes come back as UTF-16 with U+FFFD
 * at the first bad place, and dates cross in whole seconds. The suite runs with TZ=UTC.
 */
public final class UnicodeDateSuite implements Suite {
    // Java text, the bytes the library must see, the text that comes back.
    static final String[][] TO_LIBRARY = {
        {"", "", ""},
        {"A\u00e9\uD83D\uDE00", "41c3a9f09f9880", "A\u00e9\uD83D\uDE00"},
        {"\u6771\u4eac", "e69db1e4baac", "\u6771\u4eac"},
        {"ab\uD83D", "6162efbfbd", "ab\uFFFD"},
        {"x\uDC00yz", "78efbfbd", "x\uFFFD"},
        {"a\u0000b", "61", "a"},
    };

    // Bytes from the library (hex), the Java text they become.
    static final String[][] FROM_LIBRARY = {
        {"41c3a9f09f9880", "A\u00e9\uD83D\uDE00"},
        {"6162ff6364", "ab\uFFFD"},
        {"61e282", "a\uFFFD"},
        {"eda080", "\uFFFD"},
        {"c080", "\uFFFD"},
        {"f4908080", "\uFFFD"},
    };

    static byte[] bytes(String hex) {
        byte[] out = new byte[hex.length() / 2];
        for (int i = 0; i < out.length; ++i) {
            out[i] = (byte) Integer.parseInt(hex.substring(2 * i, 2 * i + 2), 16);
        }
        return out;
    }

    @Override
    public void cases(Cases table) {
        for (String[] row : TO_LIBRARY) {
            table.add("Java text to the library: " + row[1], () -> {
                long query = LogQuery.TLMlogQueryCreate();
                try {
                    int start = StandIn.journalCount();
                    LogQuery.TLMlogQuerySetHost(query, row[0]);
                    Check.equal("TLMlogQuerySetHost " + StandIn.handle(query) + " \"" + row[1] + "\"",
                                StandIn.journalSince(start).get(0), "what the library saw");
                    Check.equal(row[2], LogQuery.TLMlogQueryGetHost(query), "what came back");
                } finally {
                    LogQuery.TLMlogQueryRelease(query);
                }
            });
        }
        for (String[] row : FROM_LIBRARY) {
            table.add("library text to Java: " + row[0], () -> {
                long message = LogMessage.TLMlogMessageCreate();
                try {
                    StandIn.setText(message, "Content", bytes(row[0]));
                    Check.equal(row[1], LogMessage.TLMlogMessageGetContent(message), "Java text");
                } finally {
                    LogMessage.TLMlogMessageRelease(message);
                }
            });
        }
        table.add("a null text from the library reads as empty", () -> {
            long message = LogMessage.TLMlogMessageCreate();
            try {
                StandIn.injectNullText("TLMlogMessageGetContent");
                Check.equal("", LogMessage.TLMlogMessageGetContent(message), "Java text");
            } finally {
                LogMessage.TLMlogMessageRelease(message);
            }
        });
        // Java milliseconds set, the library's value, the milliseconds read back.
        long[][] dates = {{1500, 1000}, {1999, 1000}, {1678881600999L, 1678881600000L}, {0, 0}};
        for (long[] row : dates) {
            table.add("a date of " + row[0] + " ms comes back as " + row[1], () -> {
                long query = LogQuery.TLMlogQueryCreate();
                try {
                    LogQuery.TLMlogQuerySetBefore(query, new Date(row[0]));
                    double expected = 25569.0 + (row[1] / 1000) / 86400.0;
                    String kept = StandIn.getField(query, "Before");
                    Check.isTrue(Math.abs(Double.parseDouble(kept) - expected) < 1e-9,
                                 "the library's value " + kept + ", expected " + expected);
                    Check.equal(row[1], LogQuery.TLMlogQueryGetBefore(query).getTime(), "read back");
                } finally {
                    LogQuery.TLMlogQueryRelease(query);
                }
            });
        }
        // A library date and the milliseconds Java reads, or null where the runtime's local
        // time cannot represent it: a PluginException then, never another date.
        Object[][] libraryDates = {
            {"the library's zero date, 1899-12-30", 0.0, null},
            {"noon of 1969-12-31", 25568.5, null},
            {"the second before 1970, whose time_t is -1", 25569.0 - 1 / 86400.0, null},
            {"a day of year 3268", 499775.0, null},
            {"the first second of 1970", 25569.0, 0L},
            {"a day of 2023", 45000.5, 1678881600000L},
            {"the last day of 3000", 402133.0, 32535129600000L},
        };
        for (Object[] row : libraryDates) {
            table.add("a library date, " + row[0] + ", reads as " + (row[2] == null ? "a PluginException" : row[2]), () -> {
                long query = LogQuery.TLMlogQueryCreate();
                try {
                    if ((double) row[1] != 0.0) {
                        StandIn.setDouble(query, "After", (double) row[1]);
                    }
                    if (row[2] == null) {
                        PluginException e = Check.throwsOf(PluginException.class,
                                                           () -> LogQuery.TLMlogQueryGetAfter(query));
                        Check.equal("Date time error while converting to time_t.", e.getMessage(), "message");
                    } else {
                        Check.equal(row[2], LogQuery.TLMlogQueryGetAfter(query).getTime(), "milliseconds");
                    }
                } finally {
                    LogQuery.TLMlogQueryRelease(query);
                }
            });
        }
        table.add("a Java date outside the runtime's local time raises and reaches no setter", () -> {
            long query = LogQuery.TLMlogQueryCreate();
            try {
                for (long milliseconds : new long[] {-1000, 32535216000000L}) {
                    int start = StandIn.journalCount();
                    Check.throwsOf(PluginException.class, () -> LogQuery.TLMlogQuerySetAfter(query, new Date(milliseconds)));
                    Check.equal(0, StandIn.journalSince(start).size(), "library calls for " + milliseconds);
                }
            } finally {
                LogQuery.TLMlogQueryRelease(query);
            }
        });
        table.add("a time stamp's fraction of a second is rounded to the nearest second", () -> {
            long message = LogMessage.TLMlogMessageCreate();
            try {
                StandIn.setDouble(message, "TimeStamp", 45000.5 + 0.6 / 86400.0);
                Check.equal(1678881601000L, LogMessage.TLMlogMessageGetTimeStamp(message).getTime(), "time stamp");
                StandIn.setInt(message, "Milliseconds", 600);
                Check.equal(600, LogMessage.TLMlogMessageGetMilliseconds(message), "milliseconds");
            } finally {
                LogMessage.TLMlogMessageRelease(message);
            }
        });
    }
}
