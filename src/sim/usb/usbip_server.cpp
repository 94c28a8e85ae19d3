#include "sim/usb/usbip_server.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/socket.h>
#include <unistd.h>

namespace halvric::sim::usb {
namespace {

constexpr int kSpeedFull = 2;  // the kernel's USB_SPEED_FULL
constexpr int kPortFree = 4;   // VDEV_ST_NULL in the status file
constexpr int32_t kMaxTransfer = 4096;

bool ReadAll(int fd, uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t r = ::read(fd, p, n);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool WriteAll(int fd, const uint8_t* p, size_t n) {
  while (n > 0) {
    const ssize_t r = ::send(fd, p, n, MSG_NOSIGNAL);
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) return false;
    p += r;
    n -= static_cast<size_t>(r);
  }
  return true;
}

bool WriteSysfs(const std::string& file, const std::string& text, std::string* error) {
  // One write(2) per request: sysfs takes the whole line at once.
  std::ofstream out(file);
  if (!out) {
    if (error != nullptr) *error = "cannot open " + file + ": " + std::strerror(errno);
    return false;
  }
  out << text << std::flush;
  if (!out) {
    if (error != nullptr) *error = "writing \"" + text + "\" to " + file + " failed: " + std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace

int FreeHighSpeedHubPort(const std::string& status_text) {
  std::istringstream in(status_text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string hub;
    int port = -1;
    int state = -1;
    if (!(fields >> hub >> port >> state)) continue;  // the heading, or a line of another form
    if (hub == "hs" && state == kPortFree) return port;
  }
  return -1;
}

UsbipConnection::UsbipConnection(SimMouse& mouse, int fd) : device_(mouse), fd_(fd) {}

UsbipConnection::~UsbipConnection() {
  Stop();
  ::close(fd_);
}

void UsbipConnection::Start() {
  running_ = true;
  reader_ = std::thread([this] { ReadLoop(); });
  for (const UsbInterfaceSpec& i : device_.Interfaces()) {
    const int endpoint = i.number + 1;
    endpoints_.emplace_back([this, endpoint] { EndpointLoop(endpoint); });
  }
}

void UsbipConnection::Stop() {
  RaiseStop();
  ::shutdown(fd_, SHUT_RDWR);
  if (reader_.joinable()) reader_.join();
  // An endpoint thread waits on cv_ (woken by RaiseStop) or in the mouse's input wait, which
  // returns within its 100 ms time-out and on cancel; either way it sees the flag and ends.
  for (std::thread& t : endpoints_) {
    if (t.joinable()) t.join();
  }
  endpoints_.clear();
  running_ = false;
}

void UsbipConnection::RaiseStop() {
  {
    // The flag changes under the lock the endpoint threads wait with, so that a thread between
    // testing the flag and blocking cannot miss the wake-up.
    std::lock_guard l(mu_);
    stopping_ = true;
  }
  cv_.notify_all();
  device_.Mouse().WireCancelReads();
}

bool UsbipConnection::Send(const UsbipHeader& h, const std::vector<uint8_t>& data) {
  const auto head = EncodeUsbipHeader(h);
  std::lock_guard l(send_mu_);
  return WriteAll(fd_, head.data(), head.size()) && (data.empty() || WriteAll(fd_, data.data(), data.size()));
}

void UsbipConnection::ReadLoop() {
  std::array<uint8_t, kUsbipHeaderBytes> raw{};
  while (!stopping_) {
    if (!ReadAll(fd_, raw.data(), raw.size())) break;
    UsbipHeader h;
    if (!DecodeUsbipHeader(raw, h)) break;  // out of step: nothing after this can be trusted
    if (h.command == UsbipCommand::kCmdSubmit) {
      std::vector<uint8_t> out;
      if (h.direction == kUsbipDirOut && h.transfer_buffer_length > 0) {
        if (h.transfer_buffer_length > kMaxTransfer) break;
        out.resize(static_cast<size_t>(h.transfer_buffer_length));
        if (!ReadAll(fd_, out.data(), out.size())) break;
      }
      HandleSubmit(h, std::move(out));
    } else if (h.command == UsbipCommand::kCmdUnlink) {
      HandleUnlink(h);
    } else {
      break;
    }
  }
  RaiseStop();
}

void UsbipConnection::HandleSubmit(const UsbipHeader& cmd, std::vector<uint8_t> out) {
  const int endpoint = static_cast<int>(cmd.endpoint & 0x0F);
  if (endpoint == 0) {
    ++control_transfers_;
    const SetupPacket setup = SetupPacket::FromBytes(cmd.setup);
    ControlResult r = device_.Control(setup, out);
    if (r.stalled) {
      Send(RetSubmitFor(cmd, kStatusStalled, 0), {});
      return;
    }
    if (cmd.direction == kUsbipDirIn) {
      if (r.data.size() > static_cast<size_t>(std::max(cmd.transfer_buffer_length, 0))) {
        r.data.resize(static_cast<size_t>(std::max(cmd.transfer_buffer_length, 0)));
      }
      Send(RetSubmitFor(cmd, 0, static_cast<int32_t>(r.data.size())), r.data);
    } else {
      Send(RetSubmitFor(cmd, 0, static_cast<int32_t>(out.size())), {});
    }
    return;
  }
  if (cmd.direction != kUsbipDirIn || !device_.InterfaceOfEndpoint(endpoint)) {
    Send(RetSubmitFor(cmd, kStatusStalled, 0), {});
    return;
  }
  {
    std::lock_guard l(mu_);
    pending_[endpoint].push_back(cmd);
  }
  cv_.notify_all();
}

void UsbipConnection::HandleUnlink(const UsbipHeader& cmd) {
  bool found = false;
  {
    std::lock_guard l(mu_);
    for (auto& [endpoint, queue] : pending_) {
      for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (it->seqnum == cmd.unlink_seqnum) {
          queue.erase(it);
          found = true;
          break;
        }
      }
      if (found) break;
    }
  }
  // A transfer that was still pending is cancelled; one already answered is past unlinking.
  Send(RetUnlinkFor(cmd, found ? kStatusUnlinked : 0), {});
}

void UsbipConnection::EndpointLoop(int endpoint) {
  std::vector<uint8_t> report(64);
  while (true) {
    {
      std::unique_lock l(mu_);
      cv_.wait(l, [&] { return stopping_.load() || !pending_[endpoint].empty(); });
      if (stopping_) return;
    }
    std::vector<uint8_t> data;
    {
      std::lock_guard l(mu_);
      auto held = held_.find(endpoint);
      if (held != held_.end()) {
        data = std::move(held->second);
        held_.erase(held);
      }
    }
    if (data.empty()) {
      const int n = device_.ReadInterrupt(endpoint, report, 100);
      if (stopping_) return;
      if (n < 0) {
        // Unplugged: the kernel will see the port go; nothing more comes from this endpoint.
        std::unique_lock l(mu_);
        cv_.wait(l, [&] { return stopping_.load(); });
        return;
      }
      if (n == 0) continue;
      data.assign(report.begin(), report.begin() + n);
    }
    UsbipHeader cmd;
    {
      std::lock_guard l(mu_);
      auto& queue = pending_[endpoint];
      if (queue.empty()) {
        held_[endpoint] = std::move(data);  // unlinked while we waited: keep it for the next one
        continue;
      }
      cmd = queue.front();
      queue.pop_front();
    }
    if (data.size() > static_cast<size_t>(std::max(cmd.transfer_buffer_length, 0))) {
      data.resize(static_cast<size_t>(std::max(cmd.transfer_buffer_length, 0)));
    }
    if (!Send(RetSubmitFor(cmd, 0, static_cast<int32_t>(data.size())), data)) return;
  }
}

VhciAttachment::VhciAttachment(std::string controller_dir) : dir_(std::move(controller_dir)) {}

VhciAttachment::~VhciAttachment() {
  for (auto& [port, a] : attached_) {
    std::string ignored;
    WriteSysfs(dir_ + "/detach", std::to_string(port), &ignored);
    a.connection->Stop();
  }
}

int VhciAttachment::Attach(SimMouse& mouse, uint32_t devid, std::string* error) {
  std::ifstream status_file(dir_ + "/status");
  if (!status_file) {
    if (error != nullptr) *error = "no USB/IP virtual host controller at " + dir_ + " (is vhci-hcd loaded?)";
    return -1;
  }
  std::stringstream status;
  status << status_file.rdbuf();
  const int port = FreeHighSpeedHubPort(status.str());
  if (port < 0) {
    if (error != nullptr) *error = "no free port on " + dir_;
    return -1;
  }
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) < 0) {
    if (error != nullptr) *error = std::string("socketpair: ") + std::strerror(errno);
    return -1;
  }
  mouse.SetUnplugged(false);
  auto connection = std::make_unique<UsbipConnection>(mouse, fds[0]);
  connection->Start();
  const std::string line = std::to_string(port) + " " + std::to_string(fds[1]) + " " + std::to_string(devid) +
                           " " + std::to_string(kSpeedFull);
  const bool ok = WriteSysfs(dir_ + "/attach", line, error);
  ::close(fds[1]);  // the kernel holds its own reference to its end
  if (!ok) {
    connection->Stop();
    return -1;
  }
  attached_[port] = Attached{&mouse, std::move(connection)};
  return port;
}

bool VhciAttachment::Detach(int port, std::string* error) {
  auto it = attached_.find(port);
  if (it == attached_.end()) {
    if (error != nullptr) *error = "nothing attached on port " + std::to_string(port);
    return false;
  }
  // The mouse is gone for the firmware model first, so that a transfer in flight fails as it
  // does when the cable is pulled.
  it->second.mouse->SetUnplugged(true);
  const bool ok = WriteSysfs(dir_ + "/detach", std::to_string(port), error);
  it->second.connection->Stop();
  attached_.erase(it);
  return ok;
}

std::vector<int> VhciAttachment::Ports() const {
  std::vector<int> ports;
  for (const auto& [port, a] : attached_) ports.push_back(port);
  return ports;
}

uint64_t VhciAttachment::ControlTransfers(int port) const {
  auto it = attached_.find(port);
  return it == attached_.end() ? 0 : it->second.connection->ControlTransfers();
}

}  // namespace halvric::sim::usb
