package jnicheck;

import harness.Cases;
import harness.Suite;

/**
 * One passing case that makes the one JNI misuse PLANTED_FAULT names. The run's own cases
 * all pass, so only the checker's reading of the output can fail it; the tests that run
 * this suite expect exactly that failure.
 */
public final class PlantedFaultSuite implements Suite {
    @Override
    public void cases(Cases table) {
        String fault = System.getenv("PLANTED_FAULT");
        table.add("planted fault " + fault, () -> {
            switch (fault) {
                case "localReferences": FaultNatives.overflowLocalReferences(); break;
                case "exceptionCheck": FaultNatives.skipExceptionCheck(); break;
                case "critical": FaultNatives.callInsideCritical(new int[] {1, 2, 3}); break;
                case "useAfterFree": FaultNatives.formatFreedName(); break;
                case "none": break;
                default: throw new AssertionError("unknown PLANTED_FAULT " + fault);
            }
        });
    }
}
