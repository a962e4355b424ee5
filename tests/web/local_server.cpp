#include "local_server.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

namespace tarnwick::web_test {

LocalServer::LocalServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0))
    throw std::runtime_error("no server on 127.0.0.1");
  QObject::connect(&server_, &QTcpServer::newConnection, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      auto head = std::make_shared<QByteArray>();
      const auto read = [this, socket, head] {
        *head += socket->readAll();
        if (!head->contains("\r\n\r\n")) return;  // the head is not complete yet
        const std::string target = head->split(' ').value(1).toStdString();  // "GET /path HTTP"
        head->clear();
        requests.push_back(target);
        int status = 404;
        std::string body = "not here";
        if (auto it = answers_.find(target); it != answers_.end()) {
          Answer& answer = it->second;
          if ((status = answer.status) == 0) return;
          body = answer.bodies[std::min(answer.turn++, answer.bodies.size() - 1)];
        }
        const std::string reply = "HTTP/1.1 " + std::to_string(status) +
                                  " Status\r\nContent-Length: " + std::to_string(body.size()) +
                                  "\r\nConnection: close\r\n\r\n" + body;
        socket->write(reply.data(), static_cast<qint64>(reply.size()));
        socket->disconnectFromHost();
      };
      QObject::connect(socket, &QTcpSocket::readyRead, read);
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      if (socket->bytesAvailable() > 0) read();
    }
  });
}

}  // namespace tarnwick::web_test
