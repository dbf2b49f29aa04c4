package harness;

import java.util.ArrayList;
import java.util.List;

/** The table of a suite's cases, in the order they were added. */
public final class Cases {
    final List<String> names = new ArrayList<>();
    final List<Case> bodies = new ArrayList<>();

    public void add(String name, Case body) {
        names.add(name);
        bodies.add(body);
    }
}
