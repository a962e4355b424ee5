#pragma once

#include <QByteArray>
#include <QTcpServer>
#include <map>
#include <string>
#include <vector>

class QTcpSocket;

namespace tarnwick::web_test {

// A small HTTP server on 127.0.0.1 at a free port. It lives in the test's own thread: its
// connections are served whenever that thread runs an event loop, which the code under test does
// while it waits for a GET. Every request is answered once and the connection closed, except on a
// hanging target, which accepts and never answers.
class LocalServer {
 public:
  LocalServer();
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  quint16 Port() const { return server_.serverPort(); }
  std::string BaseUrl() const;  // "http://127.0.0.1:PORT"

  // `target` is the request target as it arrives: a path, or a whole URL when asked as a proxy.
  void Serve(const std::string& target, const std::string& body);
  // Successive GETs get the bodies in turn; the last one is repeated.
  void ServeInTurn(const std::string& target, const std::vector<std::string>& bodies);
  void Fail(const std::string& target, int status);
  void Hang(const std::string& target);

  // Requests of `target` that arrived, and all targets asked, in order. Unknown targets get 404.
  int Count(const std::string& target) const;
  const std::vector<std::string>& Requests() const { return requests_; }

 private:
  struct Answer {
    int status = 200;
    std::string body;
    bool hang = false;
  };
  void Read(QTcpSocket* socket);
  void Respond(QTcpSocket* socket, const std::string& target);

  QTcpServer server_;
  std::map<std::string, std::vector<Answer>> answers_;
  std::map<std::string, size_t> served_;
  std::map<QTcpSocket*, QByteArray> received_;
  std::vector<std::string> requests_;
};

}  // namespace tarnwick::web_test
