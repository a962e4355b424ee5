#pragma once

#include <QTcpServer>
#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace tarnwick::web_test {

// A small HTTP server on 127.0.0.1 at a free port, serving whenever the test's thread runs an
// event loop (the code under test does while it waits). Each request is answered and the
// connection closed; unknown targets get 404.
class LocalServer {
 public:
  LocalServer();

  quint16 Port() const { return server_.serverPort(); }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(Port()); }

  // `target` as it arrives: a path, or a whole URL when asked as a proxy. Successive GETs get the
  // bodies (at least one) in turn, the last repeated; status 0 accepts and never answers.
  void Serve(const std::string& target, std::vector<std::string> bodies, int status = 200) {
    answers_[target] = {status, std::move(bodies)};
  }
  int Count(const std::string& target) const {
    return static_cast<int>(std::count(requests.begin(), requests.end(), target));
  }

  std::vector<std::string> requests;  // every target asked, in order

 private:
  struct Answer {
    int status;
    std::vector<std::string> bodies;
    size_t turn = 0;
  };
  std::map<std::string, Answer> answers_;
  QTcpServer server_;  // last, so its sockets go before what they use
};

}  // namespace tarnwick::web_test
