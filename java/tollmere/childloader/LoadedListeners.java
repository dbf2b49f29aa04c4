package childloader;

import com.olvenmark.tollmere.plugin.Destination;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventInputs;
import com.olvenmark.tollmere.plugin.DestinationMessageReceivedEventOutputs;
import com.olvenmark.tollmere.plugin.PluginException;
import com.olvenmark.tollmere.plugin.Source;
import com.olvenmark.tollmere.plugin.SourceMessageRequestCompletedEventInputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestCompletedEventOutputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestedEventInputs;
import com.olvenmark.tollmere.plugin.SourceMessageRequestedEventOutputs;
import java.util.List;

/**
 * Listeners for plugintest.ChildLoaderChild, which loads them with the plug-in package
 * through a class loader of its own: only the platform's classes are shared with it, so
 * each call is recorded into the given list as {method, thread, inputs handle, outputs
 * handle, what the inputs said}. The message listeners answer through the outputs.
 */
public final class LoadedListeners {
    private LoadedListeners() {}

    static void record(List<Object[]> calls, String method, long inputs, long outputs, String seen) {
        calls.add(new Object[] {method, Thread.currentThread(), inputs, outputs, seen});
    }

    public static final class OfDestination extends Destination {
        private final List<Object[]> calls;

        public OfDestination(List<Object[]> calls) throws PluginException {
            super();
            this.calls = calls;
        }

        private void message(String method, DestinationMessageReceivedEventInputs inputs,
                             DestinationMessageReceivedEventOutputs outputs) {
            String seen;
            try {
                long in = inputs.getHandle();
                seen = DestinationMessageReceivedEventInputs.TLMdestinationMessageReceivedEventInputsGetMessage(in)
                    + "|" + DestinationMessageReceivedEventInputs
                        .TLMdestinationMessageReceivedEventInputsGetMessageLogId(in);
                DestinationMessageReceivedEventOutputs
                    .TLMdestinationMessageReceivedEventOutputsSetMessageProcessedFlag(outputs.getHandle(), true);
            } catch (PluginException e) {
                seen = "PluginException: " + e.getMessage();
            }
            record(calls, method, inputs.getHandle(), outputs.getHandle(), seen);
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
            record(calls, "disconnected", 0, 0, "");
        }
    }

    public static final class OfSource extends Source {
        private final List<Object[]> calls;

        public OfSource(List<Object[]> calls) throws PluginException {
            super();
            this.calls = calls;
        }

        @Override
        public void messageRequested(SourceMessageRequestedEventInputs inputs,
                                     SourceMessageRequestedEventOutputs outputs) {
            String seen = "";
            try {
                SourceMessageRequestedEventOutputs.TLMsourceMessageRequestedEventOutputsSetOutboundMessage(
                    outputs.getHandle(), "from the child loader");
            } catch (PluginException e) {
                seen = "PluginException: " + e.getMessage();
            }
            record(calls, "messageRequested", inputs.getHandle(), outputs.getHandle(), seen);
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
            record(calls, "messageRequestCompleted", inputs.getHandle(), outputs.getHandle(), seen);
        }

        @Override
        public void disconnected() {
            record(calls, "disconnected", 0, 0, "");
        }
    }
}
