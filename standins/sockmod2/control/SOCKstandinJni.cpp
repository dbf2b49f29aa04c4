// The Java face of the sockmod2 stand-in's control interface, for the JVM suites of
// vrn_java (class varneltests.SockStandIn): injections, the journal, live counts, and
// events raised by hand, their texts given as bytes so that a suite can hand over any
// byte sequence (or null) as the library's text.
#include "standins/common/STANDINjni.h"
#include "standins/sockmod2/SOCKstandinControl.h"

#define SOCK_CONTROL(Result, Name, ...) STANDIN_JAVA_NATIVE(SockStandIn, Result, Name, ##__VA_ARGS__)

STANDIN_JAVA_CONTROLS(SockStandIn, SOCK)

SOCK_CONTROL(jboolean, listenerEvent, jlong listener, jstring event, jlong connection, jbyteArray eventText, jint code,
             jboolean fromWorker) {
  std::string t = eventText ? STANDINjavaBytes(env, eventText) : std::string();
  return SOCKstandinListenerEvent(STANDINjavaHandle(listener), STANDINjavaText(env, event).c_str(), STANDINjavaHandle(connection),
                                  eventText ? t.c_str() : nullptr, code, fromWorker);
}

SOCK_CONTROL(jboolean, clientEvent, jlong client, jstring event, jbyteArray eventText, jint code, jboolean fromWorker) {
  std::string t = eventText ? STANDINjavaBytes(env, eventText) : std::string();
  return SOCKstandinClientEvent(STANDINjavaHandle(client), STANDINjavaText(env, event).c_str(), eventText ? t.c_str() : nullptr, code,
                                fromWorker);
}
