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
        table.add("a failing native without room for its PluginException: the JVM's own error reaches Java", () -> {
            // the road, the child's JVM options, what reached Java
            String[][] rows = {
                {"stack", "", "overflows in the call: "},
                {"heap", "-Xmx32m -XX:+UseSerialGC", "with the heap full: java.lang.OutOfMemoryError\n"},
            };
            for (String[] row : rows) {
                List<String> options = row[1].isEmpty() ? List.of() : List.of(row[1].split(" "));
                ChildJvm.Result child = ChildJvm.runWith(options, "plugintest.VmErrorChild", row[0]);
                String output = child.output.replace("\r", "");
                Check.equal(0, child.status, row[0] + ": child " + child);
                Check.contains(output, row[2], row[0]);
                Check.contains(output, "error objects left: 0\n", row[0] + ": the error objects went back");
                Check.contains(output, "went on", row[0]);
                Check.isTrue(!output.contains("FATAL ERROR"), row[0] + ": fatal error in " + child);
                Check.isTrue(child.jniWarnings().isEmpty(), row[0] + ": JNI warning in " + child);
            }
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
