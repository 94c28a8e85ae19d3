#include "app/instance_channel.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <cerrno>
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

InstanceChannel::~InstanceChannel() {
  if (claimed_fd_ >= 0) {
    ::close(claimed_fd_);
    ::unlink(QFile::encodeName(path_).constData());
  }
  server_.close();
}

QString InstanceChannel::DefaultPath() {
  QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (base.isEmpty()) base = QDir::tempPath() + QStringLiteral("/halvric-%1").arg(getuid());
  const QString dir = base + QStringLiteral("/halvric");
  QDir().mkpath(dir);
  ::chmod(QFile::encodeName(dir).constData(), 0700);
  return dir + QStringLiteral("/instance");
}

namespace {

bool FillAddress(const QString& socket_path, sockaddr_un& addr) {
  const QByteArray path = QFile::encodeName(socket_path);
  if (path.isEmpty() || path.size() >= static_cast<qsizetype>(sizeof addr.sun_path)) return false;
  addr = sockaddr_un{};
  addr.sun_family = AF_UNIX;
  std::memcpy(addr.sun_path, path.constData(), static_cast<size_t>(path.size()));
  return true;
}

}  // namespace

bool InstanceChannel::Claim() {
  if (server_.isListening() || claimed_fd_ >= 0) return true;
  sockaddr_un addr{};
  if (!FillAddress(path_, addr)) return false;
  const auto* sa = reinterpret_cast<const sockaddr*>(&addr);
  for (int attempt = 0; attempt < 2; ++attempt) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    if (::bind(fd, sa, sizeof addr) == 0) {
      // The folder already admits only the user; the socket itself too.
      ::chmod(addr.sun_path, 0600);
      if (::listen(fd, 8) == 0) {
        claimed_fd_ = fd;
        return true;
      }
      ::close(fd);
      ::unlink(addr.sun_path);
      return false;
    }
    const int bind_error = errno;
    ::close(fd);
    if (bind_error != EADDRINUSE || attempt > 0) return false;
    // Someone answers: a running instance. Otherwise the socket file is a leftover.
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    const bool answered = ::connect(probe, sa, sizeof addr) == 0;
    ::close(probe);
    if (answered) return false;
    ::unlink(addr.sun_path);
  }
  return false;
}

bool InstanceChannel::Serve() {
  if (server_.isListening()) return true;
  if (claimed_fd_ < 0) return false;
  const int fd = claimed_fd_;
  claimed_fd_ = -1;
  if (server_.listen(fd)) return true;
  ::close(fd);
  ::unlink(QFile::encodeName(path_).constData());
  return false;
}

bool InstanceChannel::Listen() { return Claim() && Serve(); }

bool InstanceChannel::Send(const QString& socket_path, const QByteArray& word, int timeout_ms) {
  // A plain socket: a later instance sends before any Qt application object exists.
  sockaddr_un addr{};
  if (!FillAddress(socket_path, addr)) return false;
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
