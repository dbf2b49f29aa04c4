package plugintest;

import java.util.concurrent.Callable;

/**
 * A plug-in's life in one class loader of harness.Redeploy (with the plug-in package and
 * the Listeners): a destination and a source each hear one event from a native thread,
 * then both are released. The result says what each heard (and read from the inputs).
 */
public final class RedeployedPlugin implements Callable<String> {
    @Override
    public String call() throws Exception {
        Listeners.RecordingDestination destination = new Listeners.RecordingDestination();
        long d = destination.getHandle();
        long dl = destination.TLMdestinationAddListener(d);
        Listeners.RecordingSource source = new Listeners.RecordingSource();
        long s = source.getHandle();
        long sl = source.TLMsourceAddListener(s);
        try {
            StandIn.fire(StandIn.DESTINATION_MESSAGE_RECEIVED, d, StandIn.NEW_THREAD, 1, 1);
            StandIn.fire(StandIn.SOURCE_MESSAGE_REQUESTED, s, StandIn.NEW_THREAD, 1, 1);
        } finally {
            Listeners.RecordingDestination.TLMdestinationRelease(d, dl);
            Listeners.RecordingSource.TLMsourceRelease(s, sl);
        }
        return "destination heard " + heard(destination.calls) + ", source heard " + heard(source.calls);
    }

    /** The methods called, each with whether its inputs read as the stand-in filled them. */
    private static String heard(java.util.List<Listeners.Call> calls) {
        String filled = StandIn.MESSAGE + "|" + StandIn.MESSAGE_LOG_ID;
        StringBuilder text = new StringBuilder();
        for (Listeners.Call call : calls) {
            text.append(call.method).append(call.seen.equals(filled) ? " (inputs read);" : ";");
        }
        return text.toString();
    }
}
