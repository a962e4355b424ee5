#pragma once
// What the web tests share: a message recorder, a temporary folder, and a small HTTP server on
// 127.0.0.1 that the code under test asks instead of any site.
#include <gtest/gtest.h>

#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "ui/ui.h"

namespace tarnwick::test {

using Message = std::pair<std::string, std::string>;  // text, caption

// Records every message box instead of showing it, for as long as it lives.
struct MessageRecorder {
  MessageRecorder() {
    ui::message_box = [this](const std::string& text, const std::string& caption,
                             const std::vector<std::string>&) {
      shown.emplace_back(text, caption);
      return 0;
    };
  }
  ~MessageRecorder() { ui::message_box = saved; }
  decltype(ui::message_box) saved = ui::message_box;
  std::vector<Message> shown;
};

// A fresh folder, removed with everything in it at the end of the test.
struct TempDir {
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string path =
      mkdtemp((std::filesystem::temp_directory_path() / "tarnwick-XXXXXX").string().data());
};

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}
inline std::string ReadFile(const std::string& path) {
  std::ostringstream bytes;
  bytes << std::ifstream(path, std::ios::binary).rdbuf();
  return bytes.str();
}

// Serves whenever the test's thread runs an event loop (the code under test does while it waits).
// Each request is answered and the connection closed; unknown targets get 404.
class LocalServer {
 public:
  LocalServer() {
    server_.listen(QHostAddress::LocalHost, 0);
    QObject::connect(&server_, &QTcpServer::newConnection, [this] {
      while (QTcpSocket* socket = server_.nextPendingConnection()) {
        const auto read = [this, socket, head = std::make_shared<QByteArray>()] {
          *head += socket->readAll();
          if (!head->contains("\r\n\r\n")) return;  // the head is not complete yet
          Answer(socket, std::exchange(*head, {}).split(' ').value(1).toStdString());
        };
        QObject::connect(socket, &QTcpSocket::readyRead, read);
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        if (socket->bytesAvailable() > 0) read();
      }
    });
  }
  std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(server_.serverPort()); }

  // `target` as it arrives. Successive GETs get the bodies (at least one) in turn, the last
  // repeated; status 0 sends a head and then one byte every 3 seconds, never finishing.
  void Serve(const std::string& target, std::vector<std::string> bodies, int status = 200) {
    answers_[target] = {status, std::move(bodies)};
  }

  std::vector<std::string> requests;  // every target asked, in order

 private:
  void Answer(QTcpSocket* socket, const std::string& target) {
    requests.push_back(target);
    auto& [status, bodies] = answers_.try_emplace(target, 404, Bodies{"not here"}).first->second;
    if (status == 0) {
      socket->write("HTTP/1.1 200 OK\r\nContent-Length: 1000000\r\n\r\n");
      auto* trickle = new QTimer(socket);
      QObject::connect(trickle, &QTimer::timeout, [socket] { socket->write("x"); });
      trickle->start(3000);
      return;
    }
    const std::string body = bodies.front();
    if (bodies.size() > 1) bodies.erase(bodies.begin());
    const std::string reply = "HTTP/1.1 " + std::to_string(status) +
                              " Status\r\nContent-Length: " + std::to_string(body.size()) +
                              "\r\nConnection: close\r\n\r\n" + body;
    socket->write(reply.data(), static_cast<qint64>(reply.size()));
    socket->disconnectFromHost();
  }

  using Bodies = std::vector<std::string>;
  std::map<std::string, std::pair<int, Bodies>> answers_;
  QTcpServer server_;  // last, so its sockets go before what they use
};

}  // namespace tarnwick::test
