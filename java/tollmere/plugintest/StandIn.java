package plugintest;

import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;

/** The stand-in TLM library's control interface, and the natives' table, for the suites. */
public final class StandIn {
    static {
        System.loadLibrary("tlmstandinjni");
    }

    private StandIn() {}

    // Events and where they run (standins/TLM/TLMstandin.h).
    public static final int DESTINATION_MESSAGE_RECEIVED = 0;
    public static final int DESTINATION_RESUBMISSION_PREVIEW = 1;
    public static final int DESTINATION_DISCONNECTED = 2;
    public static final int SOURCE_MESSAGE_REQUESTED = 3;
    public static final int SOURCE_MESSAGE_REQUEST_COMPLETED = 4;
    public static final int SOURCE_DISCONNECTED = 5;
    public static final int CALLER_THREAD = 0;
    public static final int NEW_THREAD = 1;
    public static final int THREADS = 2;

    // The inputs the stand-in gives fired message events.
    public static final String MESSAGE = "MSH|Grüße|東京|\uD83D\uDE00";
    public static final String MESSAGE_LOG_ID = "log-Ω-7";
    public static final String PLUGIN_MESSAGE_ID = "plugin-é-1";

    public static native String[] natives();
    public static native void reset();
    public static native int liveCount(String kind);
    public static native long refCount(long handle);
    public static native int listenerCount(long endpoint);
    public static native String[] journal();
    public static native int journalCount();
    public static native String[] events();
    public static native void injectError(String function, byte[] description);
    public static native void injectUnhandled(String function);
    public static native void injectNullText(String function);
    public static native void setText(long handle, String field, byte[] utf8);
    public static native void setBool(long handle, String field, int value);
    public static native void setInt(long handle, String field, int value);
    public static native void setDouble(long handle, String field, double value);
    public static native void setObject(long handle, String field, long object);
    public static native String getField(long handle, String field);
    public static native long presetQueryResult(boolean success, byte[] errorDescription);
    public static native long presetAddMessage(long result);
    /** A disconnect reason made by the library itself, without its Java class. */
    public static native long newDisconnectReason();
    public static native int fire(int event, long endpoint, int mode, int threads, int perThread);
    public static native void probeAttachment();
    public static native void setAfterCallbackHookOff();
    public static native int attachedAfterCallback();
    public static native int detachedAfterCallback();

    public static byte[] utf8(String text) {
        return text.getBytes(StandardCharsets.UTF_8);
    }

    public static void injectError(String function, String description) {
        injectError(function, utf8(description));
    }

    public static void setText(long handle, String field, String text) {
        setText(handle, field, utf8(text));
    }

    /** A text as the journal shows it: its UTF-8 bytes in hex, between double quotes. */
    public static String hex(String text) {
        StringBuilder out = new StringBuilder("\"");
        for (byte b : utf8(text)) {
            out.append(String.format("%02x", b & 0xff));
        }
        return out.append('"').toString();
    }

    /** A handle or user value as the journal shows it. */
    public static String handle(long value) {
        return "0x" + Long.toHexString(value);
    }

    /** The journal entries made since the journal had the given size. */
    public static List<String> journalSince(int start) {
        String[] all = journal();
        return new ArrayList<>(Arrays.asList(all).subList(Math.min(start, all.length), all.length));
    }

    /** One line of the natives' table. */
    public static final class Row {
        public final String javaClass;
        public final String method;
        public final String function;
        public final String shape;
        public final String a;
        public final String b;

        Row(String line) {
            String[] parts = line.split(" ");
            javaClass = parts[0];
            method = parts[1];
            function = parts[2];
            shape = parts[3];
            a = unquote(parts[4]);
            b = unquote(parts[5]);
        }

        private static String unquote(String text) {
            return text.startsWith("\"") ? text.substring(1, text.length() - 1) : text;
        }

        @Override
        public String toString() {
            return javaClass + "." + method;
        }
    }

    public static List<Row> rows() {
        List<Row> rows = new ArrayList<>();
        for (String line : natives()) {
            rows.add(new Row(line));
        }
        return rows;
    }
}
