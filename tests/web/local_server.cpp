#include "local_server.h"

#include <QTcpSocket>
#include <algorithm>
#include <stdexcept>

namespace tarnwick::web_test {

LocalServer::LocalServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0)) {
    throw std::runtime_error("the test server could not listen on 127.0.0.1");
  }
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::readyRead, [this, socket] { Read(socket); });
      QObject::connect(socket, &QTcpSocket::disconnected, [this, socket] {
        received_.erase(socket);
        socket->deleteLater();
      });
      if (socket->bytesAvailable() > 0) Read(socket);
    }
  });
}

LocalServer::~LocalServer() {
  // The sockets are children of the server and go with it; nothing may call back into us.
  for (QTcpSocket* socket : server_.findChildren<QTcpSocket*>()) socket->disconnect();
  server_.close();
}

std::string LocalServer::BaseUrl() const {
  return "http://127.0.0.1:" + std::to_string(Port());
}

void LocalServer::Serve(const std::string& target, const std::string& body) {
  answers_[target] = {Answer{200, body, false}};
}

void LocalServer::ServeInTurn(const std::string& target, const std::vector<std::string>& bodies) {
  auto& answers = answers_[target];
  answers.clear();
  for (const std::string& body : bodies) answers.push_back(Answer{200, body, false});
}

void LocalServer::Fail(const std::string& target, int status) {
  answers_[target] = {Answer{status, "failed on purpose", false}};
}

void LocalServer::Hang(const std::string& target) {
  answers_[target] = {Answer{0, "", true}};
}

int LocalServer::Count(const std::string& target) const {
  return static_cast<int>(std::count(requests_.begin(), requests_.end(), target));
}

void LocalServer::Read(QTcpSocket* socket) {
  QByteArray& buffer = received_[socket];
  buffer += socket->readAll();
  const qsizetype end = buffer.indexOf("\r\n\r\n");
  if (end < 0) return;  // the head is not complete yet
  // "GET /path HTTP/1.1": the target is the second word of the first line.
  const QList<QByteArray> words = buffer.left(buffer.indexOf("\r\n")).split(' ');
  const std::string target = words.size() >= 2 ? words[1].toStdString() : std::string();
  buffer.clear();
  requests_.push_back(target);
  Respond(socket, target);
}

void LocalServer::Respond(QTcpSocket* socket, const std::string& target) {
  Answer answer{404, "not here", false};
  if (const auto it = answers_.find(target); it != answers_.end() && !it->second.empty()) {
    size_t& turn = served_[target];
    answer = it->second[std::min(turn, it->second.size() - 1)];
    ++turn;
  }
  if (answer.hang) return;
  const char* reason = answer.status == 200 ? "OK" : answer.status == 404 ? "Not Found" : "Error";
  const bool html = target.ends_with(".html");
  std::string head = "HTTP/1.1 " + std::to_string(answer.status) + " " + reason + "\r\n" +
                     "Content-Type: " + (html ? "text/html" : "text/plain") + "\r\n" +
                     "Content-Length: " + std::to_string(answer.body.size()) + "\r\n" +
                     "Connection: close\r\n\r\n";
  socket->write((head + answer.body).data(), static_cast<qint64>(head.size() + answer.body.size()));
  socket->disconnectFromHost();
}

}  // namespace tarnwick::web_test
