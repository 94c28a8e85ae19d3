#include "app/instance_channel.h"

#include <QFile>
#include <QLocalSocket>

#include "platform/runtime_folder.h"

namespace halvric {

InstanceChannel::InstanceChannel(QString socket_path, QObject* parent)
    : QObject(parent), path_(socket_path.isEmpty() ? DefaultPath() : std::move(socket_path)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::OnConnection);
}

InstanceChannel::~InstanceChannel() { server_.close(); }

QString InstanceChannel::DefaultPath() {
  return QString::fromStdString(RuntimeFolder()) + QStringLiteral("/instance");
}

bool InstanceChannel::Claim() {
  if (server_.isListening() || claim_.Claimed()) return true;
  claim_ = InstanceSocketClaim::Claim(QFile::encodeName(path_).toStdString());
  return claim_.Claimed();
}

bool InstanceChannel::Serve() {
  if (server_.isListening()) return true;
  if (!claim_.Claimed()) return false;
  const int fd = claim_.Release();
  if (server_.listen(fd)) return true;
  CloseInstanceSocket(fd, QFile::encodeName(path_).toStdString());
  return false;
}

bool InstanceChannel::Listen() { return Claim() && Serve(); }

bool InstanceChannel::Send(const QString& socket_path, const QByteArray& word, int timeout_ms) {
  // Plain system calls: a later instance sends before any Qt application object exists.
  return SendToInstanceSocket(QFile::encodeName(socket_path).toStdString(), (word + '\n').toStdString(), timeout_ms);
}

void InstanceChannel::OnConnection() {
  while (QLocalSocket* socket = server_.nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        const QByteArray word = socket->readLine().trimmed();
        if (word == "wake") emit wakeRequested();
        else if (word == "close") emit closeRequested();
        else if (word == "reload") emit reloadRequested();
      }
    });
  }
}

}  // namespace halvric
