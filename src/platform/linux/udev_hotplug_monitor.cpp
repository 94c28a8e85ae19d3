#include "platform/linux/udev_hotplug_monitor.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <stop_token>
#include <sys/eventfd.h>
#include <unistd.h>
#include <utility>

#include "platform/linux/hidraw_attributes.h"
#include "platform/linux/udev_ptr.h"

namespace halvric::linux_hid {
namespace {

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  FileDescriptor& operator=(FileDescriptor&&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Everything the watching thread owns.
struct Watch {
  UdevPtr udev;
  UdevMonitorPtr monitor;
  FileDescriptor wake;
  HotplugMonitor::Callbacks callbacks;
};

void Deliver(udev_device* device, const HotplugMonitor::Callbacks& callbacks) {
  const char* devnode = udev_device_get_devnode(device);
  if (devnode == nullptr) return;
  const std::string path = LowerCasePath(devnode);
  switch (ClassifyUdevAction(udev_device_get_action(device))) {
    case HotplugAction::kAdded:
      if (callbacks.added) callbacks.added(path);
      break;
    case HotplugAction::kRemoved:
      if (callbacks.removed) callbacks.removed(path);
      break;
    case HotplugAction::kOther: break;
  }
}

void RunWatch(std::stop_token stop, Watch watch, std::atomic<bool>& running) {
  {
    const int wake_fd = watch.wake.get();
    // Runs on the thread that asks for the stop and wakes the poll below.
    const std::stop_callback on_stop(stop, [wake_fd] {
      const uint64_t one = 1;
      [[maybe_unused]] const ssize_t n = ::write(wake_fd, &one, sizeof one);
    });
    const int monitor_fd = udev_monitor_get_fd(watch.monitor.get());
    while (!stop.stop_requested()) {
      pollfd fds[2] = {{monitor_fd, POLLIN, 0}, {wake_fd, POLLIN, 0}};
      const int r = poll(fds, 2, -1);
      if (r < 0) {
        if (errno == EINTR) continue;
        break;
      }
      if (stop.stop_requested()) break;
      if (fds[0].revents & (POLLERR | POLLNVAL)) break;
      if (fds[0].revents & POLLIN) {
        const UdevDevicePtr device(udev_monitor_receive_device(watch.monitor.get()));
        if (device) Deliver(device.get(), watch.callbacks);
      }
    }
  }
  running.store(false);
}

}  // namespace

HotplugAction ClassifyUdevAction(const char* action) {
  if (action == nullptr) return HotplugAction::kOther;
  if (std::strcmp(action, "add") == 0) return HotplugAction::kAdded;
  if (std::strcmp(action, "remove") == 0) return HotplugAction::kRemoved;
  return HotplugAction::kOther;
}

UdevHotplugMonitor::~UdevHotplugMonitor() { Stop(); }

bool UdevHotplugMonitor::Start(Callbacks callbacks, std::string* error) {
  const std::lock_guard lock(control_);
  auto fail = [error](const char* reason) {
    if (error != nullptr) *error = reason;
    return false;
  };
  if (running_.load()) return fail("already running");
  if (thread_.joinable()) thread_.join();  // a watch that ended on its own

  Watch watch{UdevPtr(udev_new()), nullptr, FileDescriptor(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
              std::move(callbacks)};
  if (!watch.udev) return fail("udev unavailable");
  if (watch.wake.get() < 0) return fail("cannot create wake-up event");
  watch.monitor.reset(udev_monitor_new_from_netlink(watch.udev.get(), "udev"));
  if (!watch.monitor) return fail("cannot create udev monitor");
  if (udev_monitor_filter_add_match_subsystem_devtype(watch.monitor.get(), "hidraw", nullptr) < 0 ||
      udev_monitor_enable_receiving(watch.monitor.get()) < 0) {
    return fail("cannot listen to udev events");
  }
  running_.store(true);
  thread_ = std::jthread(RunWatch, std::move(watch), std::ref(running_));
  return true;
}

void UdevHotplugMonitor::Stop() {
  if (thread_.joinable() && thread_.get_id() == std::this_thread::get_id()) {
    // Called from a callback: the thread cannot wait for itself; it ends after the callback.
    thread_.request_stop();
    return;
  }
  const std::lock_guard lock(control_);
  if (!thread_.joinable()) return;
  thread_.request_stop();
  thread_.join();
  running_.store(false);
}

}  // namespace halvric::linux_hid
