package varneltests;

import com.olvenmark.varnel.Engine;
import com.olvenmark.varnel.VarnelException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Collections;
import java.util.List;
import java.util.concurrent.Callable;

/**
 * Two deployments of harness.Redeploy (with the varnel package): in the first, engine A
 * gets a listener and a second owner, and its release cannot clear the log callback
 * (vrn_core refuses, injected), so vrn_core keeps calling vrn_java for A after the loader
 * has gone; in the second, engine B gets a listener and A logs a line, on the caller's
 * thread and on a native thread. The result says what B heard.
 */
public final class RedeployedEngine implements Callable<String> {
    static byte[] bytes(String text) {
        return text.getBytes(StandardCharsets.UTF_8);
    }

    @Override
    public String call() throws Exception {
        Jdk.accept();
        if (KeptAcrossDeployments.engine == 0) {
            Engine a = new Engine();
            a.setLogListener(line -> { });
            long h = a.handle();
            a.VRNengineAddRef(h);
            StandIn.failNext("VRNengineSetLogCallBackPerEngine", "Injected failure", null, null);
            try {
                a.release();
                return "A released, its callback cleared";
            } catch (VarnelException refused) {
                KeptAcrossDeployments.engine = h;
                return "A released, its callback kept by vrn_core";
            }
        }
        Engine b = new Engine();
        List<String> heard = Collections.synchronizedList(new ArrayList<>());
        b.setLogListener(heard::add);
        long a = KeptAcrossDeployments.engine;
        StandIn.log(a, bytes("A's late line"));
        StandIn.logFromWorker(a, bytes("A's late line"));
        b.VRNengineRelease(a, 0);
        b.release();
        return "B heard " + heard;
    }
}
