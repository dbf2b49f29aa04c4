package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.Source;
import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.ClassTree;
import harness.Redeploy;
import harness.Suite;
import java.lang.management.ManagementFactory;
import java.nio.file.Path;
import java.util.HashSet;
import java.util.List;
import java.util.Set;
import java.util.function.Predicate;

/**
 * The six callbacks, each from a native thread the JVM has never seen and from the calling
 * Java thread: the listener method runs once, with the event's own objects, the outputs it
 * sets reach the library, and a thread attached for the callback is detached afterwards;
 * the same when the plug-in package comes from a class loader of its own.
 */
public final class CallbackSuite implements Suite {
    /** One event kind: its number in the stand-in, its endpoint, its listener method. */
    static final class Kind {
        final int event;
        final boolean destination;
        final String method;
        final String seen;       // what the listener read from the inputs
        final String[] outputs;  // what the stand-in found on the outputs afterwards

        Kind(int event, boolean destination, String method, String seen, String... outputs) {
            this.event = event;
            this.destination = destination;
            this.method = method;
            this.seen = seen;
            this.outputs = outputs;
        }

        boolean hasObjects() {
            return !method.equals("disconnected");
        }
    }

    static final String[] DESTINATION_OUTPUTS = {
        "AddInfoLogMessage=" + StandIn.hex(Listeners.LOG), "MessageProcessedFlag=1",
        "StopChannelReason=" + StandIn.hex(Listeners.REASON)};

    static final Kind[] KINDS = {
        new Kind(StandIn.DESTINATION_MESSAGE_RECEIVED, true, "messageReceived",
                 StandIn.MESSAGE + "|" + StandIn.MESSAGE_LOG_ID, DESTINATION_OUTPUTS),
        new Kind(StandIn.DESTINATION_RESUBMISSION_PREVIEW, true, "resubmissionPreviewMessageReceived",
                 StandIn.MESSAGE + "|" + StandIn.MESSAGE_LOG_ID, DESTINATION_OUTPUTS),
        new Kind(StandIn.DESTINATION_DISCONNECTED, true, "disconnected", ""),
        new Kind(StandIn.SOURCE_MESSAGE_REQUESTED, false, "messageRequested", "",
                 "AddDebugLogMessage=" + StandIn.hex(Listeners.LOG),
                 "OutboundMessage=" + StandIn.hex(StandIn.MESSAGE),
                 "PluginMessageId=" + StandIn.hex(StandIn.PLUGIN_MESSAGE_ID)),
        new Kind(StandIn.SOURCE_MESSAGE_REQUEST_COMPLETED, false, "messageRequestCompleted",
                 StandIn.PLUGIN_MESSAGE_ID + "|" + StandIn.MESSAGE_LOG_ID + "|true"),
        new Kind(StandIn.SOURCE_DISCONNECTED, false, "disconnected", ""),
    };

    @Override
    public void cases(Cases table) {
        for (Kind kind : KINDS) {
            String name = (kind.destination ? "Destination." : "Source.") + kind.method;
            table.add(name + " from a native thread", () -> deliver(kind, StandIn.NEW_THREAD, false));
            table.add(name + " on the Java thread", () -> deliver(kind, StandIn.CALLER_THREAD, false));
        }
        table.add("8 native threads at once: nothing lost, nothing twice, every thread detached", this::load);
        table.add("a Release racing native threads' events: none reaches the listener after it", () -> {
            for (String mode : new String[] {"other", "self"}) {
                ChildJvm.Result child = ChildJvm.run("plugintest.ReleaseRaceChild", mode);
                Check.equal(0, child.status, mode + ": child " + child);
                Check.contains(child.output, "late 0, cut short " + ReleaseRaceChild.ROUNDS + " of ", mode + ": child");
                Check.isTrue(child.jniWarnings().isEmpty(), mode + ": JNI warning in " + child);
                Check.isTrue(!child.output.contains("FATAL ERROR"), mode + ": fatal error in " + child);
            }
        });
        table.add("throwing listeners in a child JVM: no crash, no JNI warning", () -> {
            ChildJvm.Result child = ChildJvm.run("plugintest.Children", "throwing");
            Check.equal(0, child.status, "child " + child);
            Check.contains(child.output, "delivered 12", "child output");
            Check.contains(child.output, "IllegalStateException: listener refuses messageReceived", "described");
            Check.isTrue(child.jniWarnings().isEmpty(), "JNI warning in " + child);
            Check.isTrue(!child.output.contains("FATAL ERROR"), "fatal error in " + child);
        });
        table.add("an event class missing at the first Create: the Create works, its events are reported", () -> {
            String classPath = ChildProcess.classPathWithout("DestinationMessageReceivedEventInputs", null);
            try {
                ChildJvm.Result child = ChildJvm.runOn(classPath, "plugintest.Children", "missing-inputs");
                Check.equal(0, child.status, "child " + child);
                Check.contains(child.output, "tlm_java: the messageReceived event was not delivered: the class "
                               + "com/olvenmark/tollmere/plugin/DestinationMessageReceivedEventInputs or its (J)V "
                               + "constructor was not found.", "child output");
                Check.contains(child.output, "event " + StandIn.DESTINATION_MESSAGE_RECEIVED + ": calls 0\n",
                               "child output");
                Check.contains(child.output, "event " + StandIn.DESTINATION_DISCONNECTED + ": calls 1\n",
                               "child output");
                Check.isTrue(child.jniWarnings().isEmpty(), "JNI warning in " + child);
            } finally {
                ClassTree.remove(classPath);
            }
        });
        table.add("a host drops the plug-in's loader, which is collected, and deploys it again", () -> {
            // The plug-in package, the listeners and the scenario only in the loaders' tree.
            Predicate<Path> loaded = path -> path.startsWith("com/olvenmark/tollmere/plugin")
                || path.toString().startsWith("plugintest/Listeners")
                || path.toString().startsWith("plugintest/RedeployedPlugin");
            ChildJvm.Result child = Redeploy.inChild(loaded, "plugintest.RedeployedPlugin", 3);
            String heard = "destination heard messageReceived (inputs read);, source heard messageRequested;";
            StringBuilder expected = new StringBuilder();
            for (int round = 1; round <= 3; ++round) {
                expected.append("round ").append(round).append(": ").append(heard).append('\n');
                expected.append("round ").append(round).append(": the loader was collected\n");
            }
            Check.equal(expected.toString(), child.output.replace("\r", ""), "child " + child);
            Check.equal(0, child.status, "child " + child);
        });
        table.add("every event reaches listeners that a child class loader loaded", () -> {
            // The plug-in package and the listeners only in the loader's tree, the rest only
            // on the child's class path.
            Predicate<Path> loaded = path ->
                path.startsWith("com/olvenmark/tollmere/plugin") || path.toString().startsWith("plugintest/Listeners");
            String classPath = ClassTree.copy(loaded.negate());
            String loaderTree = ClassTree.copy(loaded);
            try {
                ChildJvm.Result child = ChildJvm.runOn(classPath, "plugintest.ChildLoaderChild", loaderTree);
                Check.equal(0, child.status, "child " + child);
                Check.contains(child.output, "heard 12", "child output");
                for (String sign : new String[] {"NoClassDefFoundError", "not delivered", "Exception"}) {
                    Check.isTrue(!child.output.contains(sign), sign + " in " + child);
                }
                Check.isTrue(child.jniWarnings().isEmpty(), "JNI warning in " + child);
            } finally {
                ClassTree.remove(classPath);
                ClassTree.remove(loaderTree);
            }
        });
    }

    static int threadCount() {
        return ManagementFactory.getThreadMXBean().getThreadCount();
    }

    /** An endpoint of the kind with one listener; its calls, handle and listener reference. */
    static final class Endpoint {
        final Listeners.RecordingDestination destination;
        final Listeners.RecordingSource source;
        final long handle;
        final long listener;

        Endpoint(Kind kind, boolean throwing) throws Exception {
            if (kind.destination) {
                destination = new Listeners.RecordingDestination();
                destination.throwing = throwing;
                source = null;
                handle = destination.getHandle();
                listener = destination.TLMdestinationAddListener(handle);
            } else {
                destination = null;
                source = new Listeners.RecordingSource();
                source.throwing = throwing;
                handle = source.getHandle();
                listener = source.TLMsourceAddListener(handle);
            }
        }

        List<Listeners.Call> calls() {
            return destination != null ? destination.calls : source.calls;
        }

        void release() throws Exception {
            if (destination != null) {
                Destination.TLMdestinationRelease(handle, listener);
            } else {
                Source.TLMsourceRelease(handle, listener);
            }
        }
    }

    static void deliver(Kind kind, int mode, boolean throwing) throws Exception {
        StandIn.reset();
        int live = StandIn.liveCount(null);
        Endpoint endpoint = new Endpoint(kind, throwing);
        try {
            int threads = threadCount();
            StandIn.probeAttachment();
            Check.equal(1, StandIn.fire(kind.event, endpoint.handle, mode, 1, 1), "callbacks made");
            List<Listeners.Call> calls = endpoint.calls();
            Check.equal(1, calls.size(), kind.method + " calls");
            Listeners.Call call = calls.get(0);
            Check.equal(kind.method, call.method, "listener method");
            Check.equal(kind.seen, call.seen, "what the inputs said");
            boolean here = call.thread == Thread.currentThread();
            Check.equal(mode == StandIn.CALLER_THREAD, here, "ran on the calling thread");
            Check.equal(mode == StandIn.CALLER_THREAD ? 1 : 0, StandIn.attachedAfterCallback(),
                        "threads still attached after the callback");
            Check.equal(mode == StandIn.CALLER_THREAD ? 0 : 1, StandIn.detachedAfterCallback(),
                        "threads detached after the callback");
            Check.equal(threads, threadCount(), "JVM threads after the callback");

            String[] events = StandIn.events();
            Check.equal(1, events.length, "events recorded");
            String record = events[0];
            Check.contains(record, "user=" + StandIn.handle(endpoint.listener) + " ", "the listener's user value");
            Check.contains(record, " result=0x0 ", "the callback's answer");
            if (kind.hasObjects()) {
                Check.contains(record, "inputs=" + StandIn.handle(call.inputs) + " ", "the inputs object");
                Check.contains(record, "outputs=" + StandIn.handle(call.outputs) + " ", "the outputs object");
                Check.isTrue(call.inputs != call.outputs && call.inputs != 0, "two objects: " + record);
            } else {
                Check.contains(record, "inputs=0x0 outputs=0x0 ", "no objects");
            }
            String outputs = record.substring(record.indexOf("outputs{"));
            for (String expected : kind.outputs) {
                Check.contains(outputs, expected, "the outputs the listener set");
            }
        } finally {
            endpoint.release();
            StandIn.setAfterCallbackHookOff();
        }
        StandIn.reset();
        Check.equal(live, StandIn.liveCount(null), "live objects of the stand-in");
    }

    static final int LOAD_THREADS = 8;
    static final int LOAD_PER_THREAD = 10000;

    void load() throws Exception {
        StandIn.reset();
        int live = StandIn.liveCount(null);
        Endpoint endpoint = new Endpoint(KINDS[0], false);
        int threads = threadCount();
        try {
            StandIn.probeAttachment();
            Check.equal(LOAD_THREADS * LOAD_PER_THREAD,
                        StandIn.fire(StandIn.DESTINATION_MESSAGE_RECEIVED, endpoint.handle, StandIn.THREADS,
                                     LOAD_THREADS, LOAD_PER_THREAD),
                        "callbacks made");
            List<Listeners.Call> calls = endpoint.calls();
            Check.equal(LOAD_THREADS * LOAD_PER_THREAD, calls.size(), "listener calls");
            Set<Long> inputs = new HashSet<>();
            synchronized (calls) {
                for (Listeners.Call call : calls) {
                    inputs.add(call.inputs);
                }
            }
            Check.equal(LOAD_THREADS * LOAD_PER_THREAD, inputs.size(), "distinct events seen");
            Check.equal(0, StandIn.attachedAfterCallback(), "threads left attached");
            Check.equal(LOAD_THREADS * LOAD_PER_THREAD, StandIn.detachedAfterCallback(), "callbacks detached");
            Check.equal(threads, threadCount(), "JVM threads afterwards");
        } finally {
            endpoint.release();
            StandIn.setAfterCallbackHookOff();
        }
        StandIn.reset();
        Check.equal(live, StandIn.liveCount(null), "live objects of the stand-in");
    }
}
