#pragma once
// Serves simulated USB mice to the running kernel through its USB/IP virtual host controller
// (vhci-hcd): each mouse gets one end of a socket pair, the other end is handed to the kernel by
// writing "port sockfd devid speed" to the controller's sysfs `attach` file, and from then on the
// kernel's USB core talks to the mouse as to any full-speed device (enumeration, the HID driver,
// hidraw, usbfs). Writing the port to `detach` unplugs it again. Needs root and the vhci-hcd
// module.
//
// Per attached mouse one thread reads the kernel's requests (CMD_SUBMIT, CMD_UNLINK) and answers
// control transfers at once; one thread per interrupt IN endpoint completes the pending input
// transfers of its endpoint with the mouse's input reports, in the order the kernel submitted
// them. An unlinked transfer is answered with RET_UNLINK and never completed.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_mouse.h"
#include "sim/usb/usb_mouse_device.h"
#include "sim/usb/usbip_protocol.h"

namespace halvric::sim::usb {

// One free port of the controller for a full-speed device, or -1; `status_text` is the content
// of the controller's sysfs `status` file.
int FreeHighSpeedHubPort(const std::string& status_text);

// The connection of one mouse to the kernel over one socket. Serve() runs until the socket
// closes (the kernel detached the port) or Stop() is called.
class UsbipConnection {
 public:
  // `fd`: our end of the socket; the connection owns and closes it.
  UsbipConnection(SimMouse& mouse, int fd);
  ~UsbipConnection();
  UsbipConnection(const UsbipConnection&) = delete;
  UsbipConnection& operator=(const UsbipConnection&) = delete;

  void Start();
  void Stop();  // shuts the socket down and joins the threads
  bool Running() const { return running_.load(); }
  uint64_t ControlTransfers() const { return control_transfers_.load(); }

 private:
  struct Pending {
    UsbipHeader cmd;
  };
  void ReadLoop();
  void EndpointLoop(int endpoint);
  void HandleSubmit(const UsbipHeader& cmd, std::vector<uint8_t> out);
  void HandleUnlink(const UsbipHeader& cmd);
  bool Send(const UsbipHeader& h, const std::vector<uint8_t>& data);
  void RaiseStop();  // sets stopping_ and wakes every thread that waits

  UsbMouseDevice device_;
  const int fd_;
  std::atomic<bool> running_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> control_transfers_{0};
  std::mutex send_mu_;
  std::mutex mu_;
  std::condition_variable cv_;
  std::map<int, std::deque<UsbipHeader>> pending_;   // interrupt IN transfers per endpoint
  std::map<int, std::vector<uint8_t>> held_;         // a report whose transfer was unlinked meanwhile
  std::thread reader_;
  std::vector<std::thread> endpoints_;
};

// The kernel side: attaches mice to free ports of vhci_hcd.0 and detaches them.
class VhciAttachment {
 public:
  // sysfs folder of the controller, normally /sys/devices/platform/vhci_hcd.0
  explicit VhciAttachment(std::string controller_dir = "/sys/devices/platform/vhci_hcd.0");
  ~VhciAttachment();
  VhciAttachment(const VhciAttachment&) = delete;
  VhciAttachment& operator=(const VhciAttachment&) = delete;

  // Plugs `mouse` in; returns the port, or -1 with `error` set.
  int Attach(SimMouse& mouse, uint32_t devid, std::string* error);
  // Unplugs the mouse on `port`; the mouse reads as unplugged until it is attached again.
  bool Detach(int port, std::string* error);
  std::vector<int> Ports() const;
  uint64_t ControlTransfers(int port) const;

 private:
  struct Attached {
    SimMouse* mouse = nullptr;
    std::unique_ptr<UsbipConnection> connection;
  };
  std::string dir_;
  std::map<int, Attached> attached_;
};

}  // namespace halvric::sim::usb
