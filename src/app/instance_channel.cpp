#include "app/instance_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <cstring>
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
  // A plain socket: a later instance sends before any Qt application object exists.
  const QByteArray path = QFile::encodeName(socket_path);
  sockaddr_un addr{};
  if (path.size() >= static_cast<qsizetype>(sizeof addr.sun_path)) return false;
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
  ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  if (ok) {
    const QByteArray line = word + '\n';
    ok = ::send(fd, line.constData(), static_cast<size_t>(line.size()), MSG_NOSIGNAL) == line.size();
  }
  ::close(fd);
  return ok;
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
