package varneltests;

import com.olvenmark.varnel.Config;
import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.HandleUse;
import com.olvenmark.varnel.LlpClient;
import com.olvenmark.varnel.LlpConnection;
import com.olvenmark.varnel.LlpServer;
import com.olvenmark.varnel.Table;
import com.olvenmark.varnel.VarnelDateTime;
import com.olvenmark.varnel.VarnelException;
import harness.Check;

import java.lang.ref.WeakReference;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.atomic.AtomicReference;
import java.util.function.LongConsumer;
import java.util.function.LongSupplier;
import java.util.function.Supplier;

/**
 * A child JVM for the uses of a handle that a released object must never hand on, since a
 * library without a table of live objects would read freed memory (and the sockmod2
 * stand-in does): the process would end, or the sanitizer report it. It prints "held" when
 * every check held, and what failed otherwise.
 * <p>
 * An object's class as the argument (Engine, Table, subTable, Config, VarnelDateTime,
 * VarnelException, LlpServer, LlpClient, LlpConnection): rounds in which four threads call
 * through the object while the main thread releases it. Each thread must end with the
 * class's VarnelException, the object be given back once, after the last call in flight
 * (no call of its library on it after the release), handle() be 0 and a later call raise.
 * <p>
 * The exception's roads: readAfterRelease (a native given handle() after release()),
 * ownReleaseThenCleaner (its own release native given its own handle, then its cleaning
 * action, as its collection runs it), ownReleasesCollected (2,000 exceptions given back by
 * that native and dropped to the collector).
 */
public final class ReleasedHandleChild {
    private ReleasedHandleChild() {}

    static final int ROUNDS = 30;
    static final int THREADS = 4;

    /** What a call through an object may raise. */
    interface Call {
        void run() throws Exception;
    }

    /**
     * One object of a class under test: the class whose release() gives the handle back,
     * the library's release (counted in its journal), whether that library is sockmod2, one
     * call through the object as a host makes it, and the library functions that take the
     * object's handles.
     */
    record Subject(String owner, String releaseFunction, boolean sockmod2, Call call, Runnable release,
                   LongSupplier handle, String... prefixes) {
        String journal() {
            return sockmod2 ? SockStandIn.journal() : StandIn.journal();
        }

        int releases() {
            return sockmod2 ? SockStandIn.callCount(releaseFunction) : StandIn.callCount(releaseFunction);
        }

        void reset() {
            if (sockmod2) {
                SockStandIn.reset();
            } else {
                StandIn.reset();
            }
        }
    }

    static String definition() {
        return System.getenv("VRN_TEST_DEFINITION");
    }

    static Engine loadedEngine() {
        Engine engine = new Engine();
        try (HandleUse use = engine.use()) {
            engine.VRNengineLoad(use.handle(), definition());
        }
        return engine;
    }

    /** A call of natives with an object's handle, held open by the object's use(). */
    static Call through(Supplier<HandleUse> use, LongConsumer natives) {
        return () -> {
            try (HandleUse held = use.get()) {
                natives.accept(held.handle());
            }
        };
    }

    static Subject subject(String name) {
        switch (name) {
            case "Engine": {
                Engine engine = loadedEngine();
                Call call = through(engine::use, h -> {
                    engine.VRNengineGetMajorVersion(h);
                    engine.VRNengineCountOfMessageIdentifier(h, 0);
                });
                return new Subject(name, "VRNengineRelease", false, call, engine::release, engine::handle,
                                   "VRNengine", "VRNmessage");
            }
            case "Config": {
                Engine engine = loadedEngine();
                Call call = through(engine::use, h -> {
                    Config config = new Config(engine.VRNengineConfigHandle(h));
                    config.VRNconfigGetEscapeChar(config.handle());
                });
                return new Subject("Engine", "VRNengineRelease", false, call, engine::release, engine::handle,
                                   "VRNengine", "VRNconfig");
            }
            case "Table": {
                Table table = new Table();
                Call call = through(table::use, table::VRNtableCountOfRow);
                return new Subject(name, "VRNtableRelease", false, call, table::release, table::handle, "VRNtable");
            }
            case "subTable": {
                Engine engine = loadedEngine();
                Table table = new Table();
                try (HandleUse e = engine.use(); HandleUse t = table.use()) {
                    engine.VRNengineParseMessage(e.handle(), EngineSuite.ADT, t.handle());
                }
                engine.release();
                Call call = through(table::use, h -> table.VRNtableName(table.VRNtableSubTable(h, 0, 0)));
                return new Subject("Table", "VRNtableRelease", false, call, table::release, table::handle, "VRNtable");
            }
            case "VarnelDateTime": {
                VarnelDateTime dateTime = new VarnelDateTime();
                Call call = through(dateTime::use, dateTime::VRNdateTimeGetDATE);
                return new Subject(name, "VRNdateTimeRelease", false, call, dateTime::release, dateTime::handle,
                                   "VRNdateTime");
            }
            case "VarnelException": {
                VarnelException error = madeError();
                Call call = through(error::use, error::VRNvarnelExceptionGetCountOfParameter);
                return new Subject(name, "VRNreferenceRelease", false, call, error::release, error::handle,
                                   "VRNerror", "VRNreference");
            }
            // The LLP classes' own methods are the host's road.
            case "LlpServer": {
                LlpServer server = new LlpServer();
                Call call = () -> server.headerBlock().length();
                return new Subject(name, "VRNlistenerRelease", true, call, server::release, server::handle, "VRNlistener");
            }
            case "LlpClient": {
                LlpClient client = new LlpClient();
                Call call = () -> client.isConnected();
                return new Subject(name, "VRNclientRelease", true, call, client::release, client::handle, "VRNclient");
            }
            case "LlpConnection": {
                LlpConnection connection = new LlpConnection();
                Call call = () -> connection.remoteIpAddressAsString().length();
                return new Subject(name, "VRNconnectionRelease", true, call, connection::release, connection::handle,
                                   "VRNconnection");
            }
            default:
                throw new IllegalArgumentException(name);
        }
    }

    static final VarnelException MAKER = new VarnelException("the natives' carrier");

    /** An exception around a new error object, as a failing native raises it. */
    static VarnelException madeError() {
        return new VarnelException(MAKER.VRNvarnelExceptionCreate("made for the case"));
    }

    /** The journal's lines after the last line of the release, which must be there. */
    static List<String> afterRelease(Subject subject) {
        String[] lines = subject.journal().split("\n");
        int at = -1;
        for (int i = 0; i < lines.length; ++i) {
            if (lines[i].startsWith(subject.releaseFunction() + " ")) {
                at = i;
            }
        }
        Check.isTrue(at >= 0, "the release is in the journal: " + subject.journal());
        List<String> after = new ArrayList<>();
        for (int i = at + 1; i < lines.length; ++i) {
            after.add(lines[i]);
        }
        return after;
    }

    static void race(String name) throws Exception {
        String released = null;
        for (int round = 0; round < ROUNDS; ++round) {
            Subject subject = subject(name);
            released = subject.owner() + " used after its release()";
            subject.reset();
            CountDownLatch calling = new CountDownLatch(THREADS);
            List<AtomicReference<Throwable>> ended = new ArrayList<>();
            List<Thread> threads = new ArrayList<>();
            for (int t = 0; t < THREADS; ++t) {
                AtomicReference<Throwable> end = new AtomicReference<>();
                ended.add(end);
                threads.add(new Thread(() -> {
                    try {
                        subject.call().run();
                        calling.countDown();
                        for (;;) {
                            subject.call().run();
                        }
                    } catch (Throwable thrown) {
                        end.set(thrown);
                        calling.countDown();
                    }
                }));
            }
            threads.forEach(Thread::start);
            calling.await();
            subject.release().run();
            for (Thread thread : threads) {
                thread.join(10_000);
            }
            String what = name + " round " + round;
            for (AtomicReference<Throwable> end : ended) {
                Throwable thrown = end.get();
                Check.isTrue(thrown instanceof VarnelException, what + ": a thread ended with " + thrown);
                Check.equal(released, thrown.getMessage(), what + ": what the thread was told");
            }
            Check.equal(1, subject.releases(), what + ": given back");
            for (String line : afterRelease(subject)) {
                for (String prefix : subject.prefixes()) {
                    Check.isTrue(!line.startsWith(prefix), what + ": a call after the release: " + line);
                }
            }
            Check.equal(0L, subject.handle().getAsLong(), what + ": handle()");
            VarnelException later = Check.throwsOf(VarnelException.class, subject.call()::run);
            Check.equal(released, later.getMessage(), what + ": a call after it");
            subject.release().run();
            Check.equal(1, subject.releases(), what + ": given back once, however often released");
        }
    }

    /** Runs the collector until every referent is gone, then lets the cleaning actions run. */
    static void collect(List<WeakReference<Object>> referents) throws InterruptedException {
        for (int i = 0; i < 500 && referents.stream().anyMatch(r -> r.get() != null); ++i) {
            System.gc();
            Thread.sleep(10);
        }
        Check.isTrue(referents.stream().allMatch(r -> r.get() == null), "collected");
        int seen = -1;
        for (int still = 0; still < 10; ++still) {
            System.gc();
            Thread.sleep(30);
            int now = StandIn.callCount("VRNreferenceRelease");
            if (now != seen) {
                seen = now;
                still = 0;
            }
        }
    }

    static void exceptionRoad(String name) throws Exception {
        int errors = StandIn.liveCount("error");
        switch (name) {
            case "readAfterRelease": {
                VarnelException error = madeError();
                error.release();
                Check.equal(0L, error.handle(), "handle() after release()");
                VarnelException refused = Check.throwsOf(VarnelException.class,
                        () -> error.VRNvarnelExceptionGetMessage(error.handle()));
                Check.equal("Not an error object", refused.getMessage(), "the native given handle()");
                refused.release();
                VarnelException used = Check.throwsOf(VarnelException.class, error::use);
                Check.equal("VarnelException used after its release()", used.getMessage(), "use()");
                break;
            }
            case "ownReleaseThenCleaner": {
                for (int i = 0; i < 200; ++i) {
                    StandIn.reset();
                    VarnelException error = madeError();
                    error.VRNvarnelExceptionRelease(error.handle());
                    Check.equal(0L, error.handle(), "handle() after its own release native");
                    EngineSuite.giveBack(error);
                    error.release();
                    Check.equal(1, StandIn.callCount("VRNreferenceRelease"), "given back once by three roads");
                }
                break;
            }
            case "ownReleasesCollected": {
                StandIn.reset();
                List<WeakReference<Object>> dropped = new ArrayList<>();
                for (int i = 0; i < 2000; ++i) {
                    VarnelException error = madeError();
                    error.VRNvarnelExceptionRelease(error.handle());
                    dropped.add(new WeakReference<>(error));
                }
                collect(dropped);
                Check.equal(2000, StandIn.callCount("VRNreferenceRelease"), "releases of 2,000 errors");
                break;
            }
            default:
                throw new IllegalArgumentException(name);
        }
        Check.equal(errors, StandIn.liveCount("error"), name + ": error objects alive");
    }

    public static void main(String[] args) throws Exception {
        Jdk.accept();
        try {
            if (args[0].equals("race")) {
                race(args[1]);
            } else {
                exceptionRoad(args[1]);
            }
            System.out.print("held");
        } catch (Throwable failed) {
            System.out.print("failed: " + failed);
            System.exit(1);
        }
    }
}
