package bench;

import java.nio.charset.StandardCharsets;

/**
 * The JVM's own UTF-8 on the texts that benchmarks/TLMjavaStringBenchmark.cpp converts:
 * new String(bytes, UTF_8) and String.getBytes(UTF_8), in bytes of UTF-8 per second.
 * Run by hand, not as a test:
 *   javac -d build/bench java/bench/Utf8Bench.java && java -cp build/bench bench.Utf8Bench
 */
public final class Utf8Bench {
    private Utf8Bench() {}

    private static final String[][] SAMPLES = {
        {"ascii", "The quick brown fox jumps over the lazy dog; 0123456789. "},
        {"latin1", "Gr\u00fc\u00dfe aus K\u00f6ln: caf\u00e9 cr\u00e8me, na\u00efve fa\u00e7ade, se\u00f1or, \u00e5r \u00f8l. "},
        {"cjk", "\u65e5\u672c\u8a9e\u306e\u6587\u7ae0\u4e2d\u6587\u6587\u672c\ud55c\uad6d\uc5b4"},
        {"emoji", "\ud83d\ude00\ud83c\udf89\ud83d\ude80\ud83d\udc4d\ud83c\udf0d"},
    };
    private static final int[] SIZES = {16, 1024, 1 << 20};

    /** The phrase repeated up to size bytes of UTF-8, cut before a character that would not fit. */
    private static byte[] textOf(String phrase, int size) {
        StringBuilder text = new StringBuilder();
        int bytes = 0;
        outer:
        while (true) {
            for (int i = 0; i < phrase.length(); i += Character.charCount(phrase.codePointAt(i))) {
                int c = phrase.codePointAt(i);
                int n = c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
                if (bytes + n > size) {
                    break outer;
                }
                text.appendCodePoint(c);
                bytes += n;
            }
        }
        return text.toString().getBytes(StandardCharsets.UTF_8);
    }

    private static volatile Object sink;

    /**
     * Bytes per second of the body: the best of five windows of 200 ms, after a second of
     * warm-up for the JIT. The best window is the one least disturbed by other work.
     */
    private static double rate(int bytes, Runnable body) {
        long end = System.nanoTime() + 1_000_000_000L;
        while (System.nanoTime() < end) {
            body.run();
        }
        double best = 0;
        for (int window = 0; window < 5; ++window) {
            long runs = 0;
            long start = System.nanoTime();
            end = start + 200_000_000L;
            long now;
            do {
                for (int i = 0; i < 16; ++i) {
                    body.run();
                }
                runs += 16;
                now = System.nanoTime();
            } while (now < end);
            best = Math.max(best, (double) bytes * runs / ((now - start) / 1e9));
        }
        return best;
    }

    public static void main(String[] args) {
        for (String direction : new String[] {"utf8ToUtf16", "utf16ToUtf8"}) {
            for (String[] sample : SAMPLES) {
                for (int size : SIZES) {
                    byte[] utf8 = textOf(sample[1], size);
                    String text = new String(utf8, StandardCharsets.UTF_8);
                    double perSecond = direction.equals("utf8ToUtf16")
                            ? rate(utf8.length, () -> sink = new String(utf8, StandardCharsets.UTF_8))
                            : rate(utf8.length, () -> sink = text.getBytes(StandardCharsets.UTF_8));
                    System.out.printf("%s/%s/%d/jvm %10.1f MB/s%n", direction, sample[0], size, perSecond / 1e6);
                }
            }
        }
    }
}
