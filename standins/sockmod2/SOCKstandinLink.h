// One TCP stream of the stand-in with its LLP framing, shared by the listener's
// connections and by the client. A reader thread of its own takes the bytes off the
// socket, cuts them into framed messages and the bytes outside any frame, and reports
// those, a failed read and the end of the stream to its sink. Closing only wakes the
// reader; the reader closes the socket, after any send in progress has finished.
#pragma once

#include "contracts/VRNlibraryContract.h"
#include "platform/PLATwindows.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// What a link reports, from its reader thread: each text is a string of its own, for the
// receiver to keep.
class SOCKlinkSink {
public:
  virtual ~SOCKlinkSink() = default;
  virtual void opened() {}
  virtual void message(std::string text) = 0;
  virtual void ignored(std::string text) = 0;
  virtual void error(const std::string& text, int code) = 0;
  virtual void closed() = 0;
};

// Cuts a byte stream into the texts between header and trailer; what lies outside a frame
// is ignored data. Both blocks may be several bytes long and split across reads.
class SOCKframer {
public:
  SOCKframer(std::string header, std::string trailer);
  void setBlocks(const std::string& header, const std::string& trailer);
  // Hands each message and each piece of ignored data to the sink.
  void feed(const char* bytes, size_t length, SOCKlinkSink& sink);
  // What the stream ended with: an unfinished frame, or bytes that began a header.
  std::string leftover();

private:
  std::string m_Header, m_Trailer, m_Pending;
  bool m_InFrame = false;
  size_t m_Searched = 0;  // in a frame: where the search for the trailer goes on
};

class SOCKlink : public std::enable_shared_from_this<SOCKlink> {
public:
  SOCKlink(SOCKET socket, const std::string& header, const std::string& trailer);
  ~SOCKlink();

  // The reader thread owns the sink and destroys it when it ends.
  void start(std::unique_ptr<SOCKlinkSink> sink);
  // Header, message and trailer in one piece, whole or not at all (an error object).
  VRNresult send(const char* message);
  void setBlocks(const std::string& header, const std::string& trailer);
  // A soft close sends the end of the stream; a hard one resets the connection.
  void close(bool hard);
  bool open();
  // Waits for the reader to end, unless the reader is the calling thread.
  void join();

  // The peer's address in host byte order, and as text.
  int remoteAddress() const { return m_RemoteAddress; }
  std::string remoteText() const;

private:
  void run(SOCKlinkSink& sink);

  std::mutex m_Lock;
  std::condition_variable m_SendsDone;
  SOCKET m_Socket;
  std::string m_Header, m_Trailer;  // for sending; the reader's framer takes changes in turn
  bool m_BlocksChanged = false;
  int m_Sends = 0;
  bool m_CloseRequested = false;
  std::mutex m_SendLock;  // one frame on the wire at a time
  SOCKframer m_Framer;
  std::mutex m_ThreadLock;
  std::thread m_Reader;
  int m_RemoteAddress = 0;
};

// The WSAE* code of the last failed call, and a text for it.
std::string SOCKwsaText(int code);

// A message made readable: each segment end becomes newLine, other control bytes "\xNN";
// only the first count bytes of the input are shown (all of them for a negative count).
std::string SOCKprintable(const char* input, const char* newLine, int count);
// Null for a usable header or trailer block (not null, not empty), else an error.
VRNresult SOCKcheckBlock(const char* block);
// "" (any address), "localhost" or a dotted IPv4 address, in network byte order.
VRNresult SOCKparseHost(const char* host, ULONG* address);
