package framework;

/** The child JVM of the cases that end the process: args are the road and the class path. */
public final class FatalChild {
    private FatalChild() {}

    public static void main(String[] args) {
        if (args[0].equals("description")) {
            Natives.throwDescribed(args[1], "the described error", true);
        } else {
            Natives.checkDllResult(args[1], 0x5150L);
        }
        System.out.println("the JVM went on");
    }
}
