package plugintest;

import com.olvenmark.tollmere.plugin.LogQuery;

/**
 * A child JVM whose class path lacks PluginException: a refused argument has no Java
 * exception to become. Nothing here may name that class, not even in a catch.
 */
public final class MissingClassChild {
    private MissingClassChild() {}

    public static void main(String[] args) throws Exception {
        long query = LogQuery.TLMlogQueryCreate();
        LogQuery.TLMlogQuerySetHost(query, null);
        System.out.println("the JVM went on");
    }
}
