package com.olvenmark.varnel;

/**
 * Hears the events of an {@link LlpClient}, on whatever thread sockmod2 delivers them on.
 */
public interface LlpClientListener {
    void connected();
    void closed();
    void messageReceived(String message);
    void dataIgnored(String data);
    void errorReceived(String text, int code);
}
