package plugintest;

import harness.Cases;
import harness.Check;
import harness.ChildJvm;
import harness.ClassTree;
import harness.Suite;
import java.util.List;

/** What only a fresh JVM shows: the order of the one-time set-ups, and the fatal roads. */
public final class ChildSuite implements Suite {
    static final String UTF8 = "TLMcharacterEncodingSetCharacterEncoding " + StandIn.hex("UTF-8");
    static final String CLASS = "\"com/olvenmark/tollmere/plugin/PluginException\"";

    @Override
    public void cases(Cases table) {
        table.add("each class sets up once, at its first use, in order", () -> {
            ChildJvm.Result child = ChildJvm.run("plugintest.Children", "first-use");
            Check.equal(0, child.status, "child " + child);
            List<String> expected = List.of(
                UTF8, "TLMlogQueryCreate", "TLMlogQueryCreate",
                UTF8, "TLMlogMessageCreate",
                UTF8, "TLMdestinationSetMessageReceivedCallback",
                "TLMdestinationSetResubmissionPreviewMessageReceivedCallback",
                "TLMdestinationSetDisconnectedCallback", "TLMdestinationCreate", "TLMdestinationCreate",
                UTF8, "TLMsourceSetMessageRequestedCallback", "TLMsourceSetMessageRequestCompletedCallback",
                "TLMsourceSetDisconnectedCallback", "TLMsourceCreate",
                UTF8, "TLMdisconnectReasonCreate",
                UTF8, "TLMexceptionCreateWithDescription", "TLMexceptionCreateWithDescription");
            Check.equal(String.join("\n", expected) + "\n", child.output.replace("\r", ""), "library calls");
        });
        table.add("a missing PluginException class ends the JVM with its fatal text", () -> {
            String classPath = ChildProcess.classPathWithout("PluginException", null);
            try {
                ChildJvm.Result child = ChildJvm.runOn(classPath, "plugintest.MissingClassChild");
                Check.isTrue(child.status != 0, "the child went on: " + child);
                Check.contains(child.output, "JNIimplement:38 Fatal error: Java exception class not found "
                               + "(Java exception class: " + CLASS + ", local exception description: \"", "child");
                Check.contains(child.output, "The string variable Value in method SetHost cannot be null.", "child");
                Check.isTrue(!child.output.contains("the JVM went on"), "the child went on: " + child);
            } finally {
                ClassTree.remove(classPath);
            }
        });
        table.add("a PluginException without (J)V ends the JVM with its fatal text", () -> {
            String classPath = ChildProcess.classPathWithout("PluginException",
                "package com.olvenmark.tollmere.plugin;\n"
                + "public class PluginException extends Exception {\n"
                + "    private static final long serialVersionUID = 1L;\n"
                + "    public PluginException(String message) { super(message); }\n"
                + "    public static native long PluginExceptionCreate(String message) throws PluginException;\n"
                + "}\n");
            try {
                ChildJvm.Result child = ChildJvm.runOn(classPath, "plugintest.Children", "error-handle");
                Check.isTrue(child.status != 0, "the child went on: " + child);
                Check.contains(child.output, "JNIimplement:63 Fatal error: Failed to create Java exception "
                               + "(Java exception class: " + CLASS + ")", "child");
                Check.isTrue(!child.output.contains("the JVM went on"), "the child went on: " + child);
            } finally {
                ClassTree.remove(classPath);
            }
        });
    }
}
