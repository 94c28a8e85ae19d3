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
    // Only this user's own processes may steer the program.
    if (!PeerIsThisUser(static_cast<int>(socket->socketDescriptor()))) {
      socket->abort();
      socket->deleteLater();
      continue;
    }
    // A connection brings a few short words; one that sends more is dropped, so a peer cannot
    // make the program buffer without end.
    socket->setReadBufferSize(static_cast<qint64>(kMaxInstanceLineBytes));
    connect(socket, &QLocalSocket::readyRead, this, [this, socket, lines = 0]() mutable {
      while (socket->canReadLine()) {
        const QByteArray word = socket->readLine(static_cast<qint64>(kMaxInstanceLineBytes) + 1).trimmed();
        if (++lines > kMaxInstanceLinesPerConnection) {
          socket->abort();
          return;
        }
        // Words this version does not know ("ping" of a hidden start, words of other versions)
        // are ignored.
        if (word == "wake") emit wakeRequested();
        else if (word == "close") emit closeRequested();
        else if (word == "reload") emit reloadRequested();
      }
      if (socket->bytesAvailable() >= static_cast<qint64>(kMaxInstanceLineBytes)) socket->abort();
    });
  }
}

}  // namespace halvric
