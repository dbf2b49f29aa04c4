package plugintest;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventInputs;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventOutputs;
import com.olvenmark.tollmere.plugin.PluginException;
import com.olvenmark.tollmere.plugin.Source;
import com.olvenmark.tollmere.plugin.SourceMessageRequestCompletedEventInputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestCompletedEventOutputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestedEventInputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestedEventOutputs;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;

/**
 * Endpoints whose listener methods record each call (method, thread, the event objects'
 * handles, what the inputs said) and answer through the outputs; optionally they throw.
 */
final class Listeners {
    private Listeners() {}

    static final String REASON = "stopped ✓ ß";
    static final String LOG = "logged ü 😀".replace("😀", "\uD83D\uDE00");

    /** One call of a listener method. */
    static final class Call {
        final String method;
        final Thread thread;
        final long inputs;
        final long outputs;
        final String seen;

        Call(String method, long inputs, long outputs, String seen) {
            this.method = method;
            this.thread = Thread.currentThread();
            this.inputs = inputs;
            this.outputs = outputs;
            this.seen = seen;
        }
    }

    static final class RecordingDestination extends Destination {
        final List<Call> calls = Collections.synchronizedList(new ArrayList<>());
        volatile boolean throwing;

        RecordingDestination() throws PluginException {
            super();
        }

        private void message(String method, DestinationMessageReceivedEventInputs inputs,
                             DestinationMessageReceivedEventOutputs outputs) {
            String seen;
            try {
                long in = inputs.getHandle();
                long out = outputs.getHandle();
                seen = DestinationMessageReceivedEventInputs.TLMdestinationMessageReceivedEventInputsGetMessage(in)
                    + "|" + DestinationMessageReceivedEventInputs
                        .TLMdestinationMessageReceivedEventInputsGetMessageLogId(in);
                DestinationMessageReceivedEventOutputs
                    .TLMdestinationMessageReceivedEventOutputsSetMessageProcessedFlag(out, true);
                DestinationMessageReceivedEventOutputs
                    .TLMdestinationMessageReceivedEventOutputsSetStopChannelReason(out, REASON);
                DestinationMessageReceivedEventOutputs
                    .TLMdestinationMessageReceivedEventOutputsAddInfoLogMessage(out, LOG);
            } catch (PluginException e) {
                seen = "PluginException: " + e.getMessage();
            }
            calls.add(new Call(method, inputs.getHandle(), outputs.getHandle(), seen));
            if (throwing) {
                throw new IllegalStateException("listener refuses " + method);
            }
        }

        @Override
        public void messageReceived(DestinationMessageReceivedEventInputs inputs,
                                    DestinationMessageReceivedEventOutputs outputs) {
            message("messageReceived", inputs, outputs);
        }

        @Override
        public void resubmissionPreviewMessageReceived(DestinationMessageReceivedEventInputs inputs,
                                                       DestinationMessageReceivedEventOutputs outputs) {
            message("resubmissionPreviewMessageReceived", inputs, outputs);
        }

        @Override
        public void disconnected() {
            calls.add(new Call("disconnected", 0, 0, ""));
            if (throwing) {
                throw new IllegalStateException("listener refuses disconnected");
            }
        }
    }

    static final class RecordingSource extends Source {
        final List<Call> calls = Collections.synchronizedList(new ArrayList<>());
        volatile boolean throwing;

        RecordingSource() throws PluginException {
            super();
        }

        @Override
        public void messageRequested(SourceMessageRequestedEventInputs inputs,
                                     SourceMessageRequestedEventOutputs outputs) {
            String seen = "";
            try {
                long out = outputs.getHandle();
                SourceMessageRequestedEventOutputs.TLMsourceMessageRequestedEventOutputsSetOutboundMessage(
                    out, StandIn.MESSAGE);
                SourceMessageRequestedEventOutputs.TLMsourceMessageRequestedEventOutputsSetPluginMessageId(
                    out, StandIn.PLUGIN_MESSAGE_ID);
                SourceMessageRequestedEventOutputs.TLMsourceMessageRequestedEventOutputsAddDebugLogMessage(
                    out, LOG);
            } catch (PluginException e) {
                seen = "PluginException: " + e.getMessage();
            }
            calls.add(new Call("messageRequested", inputs.getHandle(), outputs.getHandle(), seen));
            if (throwing) {
                throw new IllegalStateException("listener refuses messageRequested");
            }
        }

        @Override
        public void messageRequestCompleted(SourceMessageRequestCompletedEventInputs inputs,
                                            SourceMessageRequestCompletedEventOutputs outputs) {
            String seen;
            try {
                long in = inputs.getHandle();
                seen = SourceMessageRequestCompletedEventInputs
                           .TLMsourceMessageRequestCompletedEventInputsGetPluginMessageId(in)
                    + "|" + SourceMessageRequestCompletedEventInputs
                        .TLMsourceMessageRequestCompletedEventInputsGetMessageLogId(in)
                    + "|" + SourceMessageRequestCompletedEventInputs
                        .TLMsourceMessageRequestCompletedEventInputsGetMessageProcessed(in);
            } catch (PluginException e) {
                seen = "PluginException: " + e.getMessage();
            }
            calls.add(new Call("messageRequestCompleted", inputs.getHandle(), outputs.getHandle(), seen));
            if (throwing) {
                throw new IllegalStateException("listener refuses messageRequestCompleted");
            }
        }

        @Override
        public void disconnected() {
            calls.add(new Call("disconnected", 0, 0, ""));
            if (throwing) {
                throw new IllegalStateException("listener refuses disconnected");
            }
        }
    }
}
