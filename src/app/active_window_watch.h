#pragma once
// Notice of the active window changing, from the X server: the root window's _NET_ACTIVE_WINDOW
// property is watched through the program's own X connection, so the foreground check runs when
// the focus moves instead of on a timer.

#include <QAbstractNativeEventFilter>
#include <functional>
#include <memory>

namespace halvric {

class ActiveWindowWatch : public QAbstractNativeEventFilter {
 public:
  // nullptr when the program does not run on an X server.
  static std::unique_ptr<ActiveWindowWatch> Create(std::function<void()> changed);
  ~ActiveWindowWatch() override;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  ActiveWindowWatch(std::function<void()> changed, uint32_t atom);
  std::function<void()> changed_;
  uint32_t atom_;
};

}  // namespace halvric
