package plugintest;

import harness.Check;
import java.lang.reflect.Constructor;
import java.lang.reflect.Field;
import java.lang.reflect.Method;
import java.net.URL;
import java.net.URLClassLoader;
import java.nio.file.Paths;
import java.util.List;

/**
 * A child JVM run as a host runs a plug-in: the plug-in package and the suites' Listeners
 * are not on its class path but in the class tree args[0], which a URLClassLoader under the
 * platform loader loads, so this class reaches the listeners through reflection only. Every
 * event kind is fired from a new native thread and from this Java thread (inside a native of
 * the system loader's StandIn), and each must reach its listener once, with the event's own
 * objects. Prints "heard N" at the end; a failed check ends the JVM with the AssertionError.
 */
public final class ChildLoaderChild {
    private ChildLoaderChild() {}

    /** An event kind: its number, its endpoint, the listener method, what the inputs say. */
    private static final class Kind {
        final int event;
        final boolean destination;
        final String method;
        final String seen;
        final String output;  // a field the listener set on the outputs, as the record shows it

        Kind(int event, boolean destination, String method, String seen, String output) {
            this.event = event;
            this.destination = destination;
            this.method = method;
            this.seen = seen;
            this.output = output;
        }
    }

    private static final String DESTINATION_SEEN = StandIn.MESSAGE + "|" + StandIn.MESSAGE_LOG_ID;
    private static final Kind[] KINDS = {
        new Kind(StandIn.DESTINATION_MESSAGE_RECEIVED, true, "messageReceived", DESTINATION_SEEN,
                 "MessageProcessedFlag=1"),
        new Kind(StandIn.DESTINATION_RESUBMISSION_PREVIEW, true, "resubmissionPreviewMessageReceived",
                 DESTINATION_SEEN, "MessageProcessedFlag=1"),
        new Kind(StandIn.DESTINATION_DISCONNECTED, true, "disconnected", "", null),
        new Kind(StandIn.SOURCE_MESSAGE_REQUESTED, false, "messageRequested", "",
                 "OutboundMessage=" + StandIn.hex(StandIn.MESSAGE)),
        new Kind(StandIn.SOURCE_MESSAGE_REQUEST_COMPLETED, false, "messageRequestCompleted",
                 StandIn.PLUGIN_MESSAGE_ID + "|" + StandIn.MESSAGE_LOG_ID + "|true", null),
        new Kind(StandIn.SOURCE_DISCONNECTED, false, "disconnected", "", null),
    };

    public static void main(String[] args) throws Exception {
        try {
            Class.forName("com.olvenmark.tollmere.plugin.Destination");
            throw new AssertionError("the plug-in package is on the system class path");
        } catch (ClassNotFoundException expected) {
            // As a host has it.
        }
        int heard = 0;
        try (URLClassLoader loader = new URLClassLoader(new URL[] {Paths.get(args[0]).toUri().toURL()},
                                                        ClassLoader.getPlatformClassLoader())) {
            Class<?> destination = loader.loadClass("plugintest.Listeners$RecordingDestination");
            Class<?> source = loader.loadClass("plugintest.Listeners$RecordingSource");
            for (Kind kind : KINDS) {
                for (int mode : new int[] {StandIn.NEW_THREAD, StandIn.CALLER_THREAD}) {
                    deliver(kind, kind.destination ? destination : source, mode);
                    ++heard;
                }
            }
        }
        System.out.println("heard " + heard);
    }

    /** A field of one of the loaded classes, which are package-private to this loader. */
    private static Object field(Object object, String name) throws ReflectiveOperationException {
        Field field = object.getClass().getDeclaredField(name);
        field.setAccessible(true);
        return field.get(object);
    }

    private static void deliver(Kind kind, Class<?> endpointClass, int mode) throws Exception {
        String name = kind.method + (mode == StandIn.NEW_THREAD ? " from a native thread" : " on the Java thread");
        String stem = kind.destination ? "TLMdestination" : "TLMsource";
        Constructor<?> constructor = endpointClass.getDeclaredConstructor();
        constructor.setAccessible(true);
        Object endpoint = constructor.newInstance();
        long handle = (Long) endpointClass.getMethod("getHandle").invoke(endpoint);
        long listener = (Long) endpointClass.getMethod(stem + "AddListener", long.class).invoke(endpoint, handle);
        Method release = endpointClass.getMethod(stem + "Release", long.class, long.class);
        try {
            StandIn.reset();
            Check.equal(1, StandIn.fire(kind.event, handle, mode, 1, 1), name + ": callbacks made");
            List<?> calls = (List<?>) field(endpoint, "calls");
            Check.equal(1, calls.size(), name + ": listener calls");
            Object call = calls.get(0);
            Check.equal(kind.method, field(call, "method"), name + ": listener method");
            Check.equal(mode == StandIn.CALLER_THREAD, field(call, "thread") == Thread.currentThread(),
                        name + ": ran on the calling thread");
            Check.equal(kind.seen, field(call, "seen"), name + ": what the inputs said");
            String record = StandIn.events()[0];
            Check.contains(record, "user=" + StandIn.handle(listener) + " ", name + ": the listener's user value");
            Check.contains(record, "inputs=" + StandIn.handle((Long) field(call, "inputs")) + " ",
                           name + ": the inputs object");
            Check.contains(record, "outputs=" + StandIn.handle((Long) field(call, "outputs")) + " ",
                           name + ": the outputs object");
            Check.contains(record, " result=0x0 ", name + ": the callback's answer");
            if (kind.output != null) {
                Check.contains(record.substring(record.indexOf("outputs{")), kind.output, name + ": the outputs set");
            }
        } finally {
            release.invoke(null, handle, listener);
        }
    }
}
