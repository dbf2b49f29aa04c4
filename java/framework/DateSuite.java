package framework;

import harness.Cases;
import harness.Check;
import harness.Suite;

import java.util.Date;

/** java.util.Date to and from local-time doubles, in the zone TZ=EST5 (UTC-5) the test pins. */
public final class DateSuite implements Suite {
    private static final double EPOCH = 25569.0;

    /** The local double of a second after 1970 UTC in the pinned zone. */
    private static double localOfSecond(long second) {
        return EPOCH + (second - 5 * 3600) / 86400.0;
    }

    /** A Date whose getTime throws, as a subclass may. */
    private static final class ThrowingDate extends Date {
        private static final long serialVersionUID = 1L;

        @Override
        public long getTime() {
            throw new IllegalStateException("no time");
        }
    }

    @Override
    public void cases(Cases table) {
        table.add("aDateGoesToTheLocalTimeOfItsWholeSecond", () -> {
            long[][] rows = {{1500, 1}, {1999, 1}, {-999, 0}, {1_000_000_000_123L, 1_000_000_000L}};
            for (long[] row : rows) {
                // A tenth of a millisecond apart at most, where a second is 1.16e-5 days.
                Check.near(localOfSecond(row[1]), Natives.dateGet(new Date(row[0])), 1e-9, "date of " + row[0] + " ms");
                Check.near(localOfSecond(row[1]), Natives.fromMilliseconds(row[0]), 1e-9, "milliseconds " + row[0]);
            }
        });

        table.add("aFractionOfASecondComesBackRounded", () -> {
            double noon = localOfSecond(1_600_000_000L - (1_600_000_000L - 5 * 3600) % 86400 + 12 * 3600);
            Date date = Natives.dateCreate(noon + 0.6 / 86400);
            Check.equal(0L, date.getTime() % 1000, "no milliseconds");
            Check.equal(Natives.toMilliseconds(noon) + 1000, date.getTime(), "the next second");
            Natives.dateSet(date, noon + 0.4 / 86400);
            Check.equal(Natives.toMilliseconds(noon), date.getTime(), "setTime: the same second");
        });

        table.add("aWholeSecondComesBackUnchanged", () -> {
            for (long second = 86400; second < 32_503_680_000L - 86400; second += 86400L * 997 + 3607) {
                Date back = Natives.dateCreate(Natives.dateGet(new Date(second * 1000 + 999)));
                Check.equal(second * 1000, back.getTime(), "second " + second);
            }
        });

        table.add("aThrowingGetTimeRaisesInsteadOfSendingGarbage", () -> {
            TestException thrown = Check.throwsOf(TestException.class, () -> Natives.dateGet(new ThrowingDate()));
            Check.equal("The java/util/Date method getTime() threw an exception.", thrown.getMessage(), "text");
        });

        table.add("aNullOrRejectedDateRaises", () -> {
            Check.throwsOf(TestException.class, () -> Natives.dateGet(null));
            Check.throwsOf(TestException.class, () -> Natives.fromMilliseconds(-1000));
        });

        table.add("aDoubleTheRuntimeCannotRepresentRaisesInsteadOfAnotherDate", () -> {
            // The zero date 1899-12-30, local noon of 1969-12-31, a day of year 3268.
            for (double value : new double[] {0.0, 25568.5, 499775.0}) {
                TestException thrown = Check.throwsOf(TestException.class, () -> Natives.dateCreate(value));
                Check.equal("Date time error while converting to time_t.", thrown.getMessage(), "create " + value);
                Date date = new Date(7);
                Check.throwsOf(TestException.class, () -> Natives.dateSet(date, value));
                Check.equal(7L, date.getTime(), "set " + value + " left the date alone");
            }
        });
    }
}
