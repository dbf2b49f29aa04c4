package framework;

import harness.Cases;
import harness.Check;
import harness.Suite;

import java.nio.charset.StandardCharsets;
import java.util.Arrays;
import java.util.Random;

/** Our UTF-8 conversions inside a real JVM, held against the JVM's own UTF-8 where the text is valid. */
public final class TextSuite implements Suite {
    private static byte[] bytes(int... values) {
        byte[] result = new byte[values.length];
        for (int i = 0; i < values.length; ++i) {
            result[i] = (byte) values[i];
        }
        return result;
    }

    /** A text of random code points from every plane, surrogates and U+0000 left out. */
    private static String randomText(Random random, int codePoints) {
        StringBuilder text = new StringBuilder();
        while (codePoints-- > 0) {
            int bound = random.nextInt(4) == 0 ? 0x110000 : random.nextBoolean() ? 0x800 : 0x80;
            int c = 1 + random.nextInt(bound - 1);
            if (c >= 0xD800 && c <= 0xDFFF) {
                c = 'x';
            }
            text.appendCodePoint(c);
        }
        return text.toString();
    }

    @Override
    public void cases(Cases table) {
        table.add("validTextsMatchTheJvmsOwnUtf8BothWays", () -> {
            Random random = new Random(2026);
            for (int round = 0; round < 200; ++round) {
                String text = randomText(random, round * 7);
                byte[] utf8 = text.getBytes(StandardCharsets.UTF_8);
                Check.equal(text, TextNatives.fromUtf8(utf8), "from UTF-8, round " + round);
                Check.isTrue(Arrays.equals(utf8, TextNatives.toUtf8(text)), "to UTF-8, round " + round);
            }
        });

        table.add("badUtf8EndsInOneReplacementCharacter", () -> {
            Object[][] rows = {
                {bytes('a', 'b', 0xFF, 'c', 'd'), "ab\uFFFD"},
                {bytes('x', 0xE2, 0x82), "x\uFFFD"},
                {bytes(0xED, 0xA0, 0x80, 'y'), "\uFFFD"},
                {bytes(0xC0, 0x80), "\uFFFD"},
                {bytes(0xF8, 0x88, 0x80, 0x80, 0x80), "\uFFFD"},
                {bytes(), ""},
            };
            for (Object[] row : rows) {
                Check.equal(row[1], TextNatives.fromUtf8((byte[]) row[0]), "from " + Arrays.toString((byte[]) row[0]));
            }
        });

        table.add("loneSurrogatesEndTheUtf8InEfBfBd", () -> {
            Object[][] rows = {
                {"ab\uD83D", bytes('a', 'b', 0xEF, 0xBF, 0xBD)},
                {"a\uDE00bc", bytes('a', 0xEF, 0xBF, 0xBD)},
                {"a\u0000b", bytes('a', 0, 'b')},
                {"\uD83D\uDE00", bytes(0xF0, 0x9F, 0x98, 0x80)},
                {"", bytes()},
            };
            for (Object[] row : rows) {
                Check.isTrue(Arrays.equals((byte[]) row[1], TextNatives.toUtf8((String) row[0])),
                        "to UTF-8 of " + row[0]);
            }
        });

        table.add("aNullStringRaisesTheBridgeException", () -> {
            TestException thrown = Check.throwsOf(TestException.class, () -> TextNatives.toUtf8(null));
            Check.equal("The string variable text in method toUtf8 cannot be null.", thrown.getMessage(), "text");
        });
    }
}
