package varneltests;

/** What a deployment of RedeployedEngine leaves for the next, outside the loaders' tree. */
public final class KeptAcrossDeployments {
    private KeptAcrossDeployments() {}

    public static volatile long engine;
}
