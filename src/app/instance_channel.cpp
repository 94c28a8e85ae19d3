#include "app/instance_channel.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocalSocket>

namespace halvric {

InstanceChannel::InstanceChannel(QString socket_path, QObject* parent)
    : QObject(parent), path_(socket_path.isEmpty() ? DefaultPath() : std::move(socket_path)) {
  server_.setSocketOptions(QLocalServer::UserAccessOption);
  connect(&server_, &QLocalServer::newConnection, this, &InstanceChannel::OnConnection);
}

InstanceChannel::~InstanceChannel() { server_.close(); }

QString InstanceChannel::DefaultPath() {
  QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (base.isEmpty()) base = QDir::tempPath() + QStringLiteral("/halvric-%1").arg(getuid());
  const QString dir = base + QStringLiteral("/halvric");
  QDir().mkpath(dir);
  ::chmod(QFile::encodeName(dir).constData(), 0700);
  return dir + QStringLiteral("/instance");
}

bool InstanceChannel::Listen() {
  if (server_.isListening()) return true;
  if (server_.listen(path_)) return true;
  // Someone answers: a running instance. Otherwise the socket file is a leftover.
  QLocalSocket probe;
  probe.connectToServer(path_);
  if (probe.waitForConnected(500)) {
    probe.disconnectFromServer();
    return false;
  }
  QLocalServer::removeServer(path_);
  return server_.listen(path_);
}

bool InstanceChannel::Send(const QString& socket_path, const QByteArray& word, int timeout_ms) {
  QLocalSocket socket;
  socket.connectToServer(socket_path);
  if (!socket.waitForConnected(timeout_ms)) return false;
  socket.write(word + '\n');
  const bool written = socket.waitForBytesWritten(timeout_ms);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeout_ms);
  return written;
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
