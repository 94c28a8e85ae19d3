#pragma once
// Notice of the active window changing, from the X server: the root window's _NET_ACTIVE_WINDOW
// property is watched through the program's own X connection, so the foreground check runs when
// the focus moves instead of on a timer.

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

#include "platform/active_window_watch.h"

namespace halvric {

class ActiveWindowWatch : public QAbstractNativeEventFilter {
 public:
  // nullptr when the program does not run on an X server.
  static std::unique_ptr<ActiveWindowWatch> Create(std::function<void()> changed);
  ~ActiveWindowWatch() override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  ActiveWindowWatch(std::function<void()> changed, std::unique_ptr<ActiveWindowEvents> events);
  std::function<void()> changed_;
  std::unique_ptr<ActiveWindowEvents> events_;
};

}  // namespace halvric
