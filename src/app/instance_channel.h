#pragma once
// The link between instances of the desktop program: a local socket under
// $XDG_RUNTIME_DIR/halvric/ (a folder only the user can enter). The first instance listens on it;
// a later one connects, sends one word ("wake", "close" or "reload") and ends.

#include <QByteArray>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include "platform/instance_socket.h"

namespace halvric {

class InstanceChannel : public QObject {
  Q_OBJECT

 public:
  // `socket_path` empty: DefaultPath().
  explicit InstanceChannel(QString socket_path = {}, QObject* parent = nullptr);
  ~InstanceChannel() override;

  // $XDG_RUNTIME_DIR/halvric/instance (the folder is created with mode 0700); without
  // XDG_RUNTIME_DIR a folder under the temporary folder named for the user.
  static QString DefaultPath();

  // Becomes the first instance: true when this process now owns the channel. A socket left by an
  // instance that died is taken over; false while another instance answers on it. Needs no Qt
  // application object.
  bool Claim();
  // Starts answering on the claimed socket. Needs the Qt application object (the socket is
  // watched by the event loop of the thread that calls this).
  bool Serve();
  // Claim() and Serve() at once, for a caller that already has its application object.
  bool Listen();
  const QString& Path() const { return path_; }

  // A later instance: delivers `word` to the running one. False when none listens.
  static bool Send(const QString& socket_path, const QByteArray& word, int timeout_ms = 1000);

 signals:
  void wakeRequested();
  void closeRequested();
  void reloadRequested();

 private:
  void OnConnection();

  QString path_;
  InstanceSocketClaim claim_;  // claimed, not yet handed to server_
  QLocalServer server_;
};

}  // namespace halvric
