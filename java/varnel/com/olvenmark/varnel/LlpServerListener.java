package com.olvenmark.varnel;

/**
 * Hears the events of an {@link LlpServer}. The calls come on whatever thread sockmod2
 * delivers them on: the thread inside {@link LlpServer#runMessageLoop()}, or one of the
 * library's own threads, several at once.
 */
public interface LlpServerListener {
    void errorReceived(String text, int code);
    void clientConnected(LlpConnection connection);
    void clientDisconnected(LlpConnection connection);
    void clientErrorReceived(LlpConnection connection, String text, int code);
    void messageReceived(LlpConnection connection, String message);
    void dataIgnored(LlpConnection connection, String data);
}
