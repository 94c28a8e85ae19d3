// halvric-usbsim: plugs simulated mice into the running kernel as USB devices (through vhci-hcd)
// and serves them until told to stop. Needs root and the vhci-hcd module.
//
//   halvric-usbsim MODEL...        e.g. halvric-usbsim level0 level11
//
// Every mouse is attached at start. Then one command per line on standard input, each answered
// by one line on standard output ("ok ..." or "error ..."):
//   attach I | detach I          plug mouse I (0-based, in argument order) in or out
//   press-dpi I LEVEL            the mouse's DPI button (a status input report)
//   press-profile I PROFILE      the profile button
//   ports                        "ok" and the port of each attached mouse (-1 when unplugged)
//   transfers I                  "ok" and the control transfers mouse I has answered so far
//   detach-after I COUNT         "ok armed": unplug mouse I as soon as it has answered COUNT
//                                control transfers since it was attached (at once when it has
//                                already), so that an operation is cut at a chosen exchange
//                                however slowly the commands arrive
//   quit                         unplug every mouse and exit (also at the end of the input)

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_models.h"
#include "sim/sim_mouse.h"
#include "sim/usb/usbip_server.h"

namespace {

using halvric::sim::FindModel;
using halvric::sim::SimMouse;
using halvric::sim::usb::VhciAttachment;

struct Mouse {
  std::unique_ptr<SimMouse> sim;
  int port = -1;
  std::optional<uint64_t> detach_at;  // armed by detach-after
};

void Reply(const std::string& line) { std::cout << line << std::endl; }

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: halvric-usbsim MODEL...\n";
    return 2;
  }
  std::vector<Mouse> mice;
  for (int i = 1; i < argc; ++i) {
    const auto* model = FindModel(argv[i]);
    if (model == nullptr) {
      std::cerr << "halvric-usbsim: unknown model " << argv[i] << "\n";
      return 2;
    }
    mice.push_back(Mouse{std::make_unique<SimMouse>(*model), -1, std::nullopt});
  }
  VhciAttachment vhci;
  // The command loop and the watcher of detach-after share the mice and the controller.
  std::mutex mu;
  std::condition_variable armed;
  bool quitting = false;
  auto attach = [&](size_t i) -> std::string {
    mice[i].detach_at.reset();
    if (mice[i].port >= 0) return "error mouse " + std::to_string(i) + " is attached";
    std::string error;
    // Device ids only need to be distinct: bus 1, device 2 + i.
    const int port = vhci.Attach(*mice[i].sim, (1u << 16) | static_cast<uint32_t>(2 + i), &error);
    if (port < 0) return "error " + error;
    mice[i].port = port;
    return "ok attached " + std::to_string(i) + " port " + std::to_string(port);
  };
  for (size_t i = 0; i < mice.size(); ++i) {
    const std::string r = attach(i);
    Reply(r);
    if (r.rfind("ok", 0) != 0) return 1;
  }

  // Polls the armed mice's transfer counts every 2 ms while any is armed (a control transfer
  // takes tens of milliseconds under emulation), and sleeps otherwise.
  std::thread watcher([&] {
    std::unique_lock l(mu);
    while (!quitting) {
      bool any = false;
      for (Mouse& m : mice) {
        if (!m.detach_at) continue;
        if (m.port < 0) {
          m.detach_at.reset();
          continue;
        }
        if (vhci.ControlTransfers(m.port) >= *m.detach_at) {
          std::string error;
          if (!vhci.Detach(m.port, &error)) std::cerr << "halvric-usbsim: " << error << "\n";
          m.port = -1;
          m.detach_at.reset();
        } else {
          any = true;
        }
      }
      if (any) {
        armed.wait_for(l, std::chrono::milliseconds(2));
      } else {
        armed.wait(l);
      }
    }
  });

  std::string line;
  while (std::getline(std::cin, line)) {
    std::lock_guard l(mu);
    std::istringstream in(line);
    std::string command;
    if (!(in >> command)) continue;
    if (command == "quit") break;
    if (command == "ports") {
      std::string r = "ok";
      for (const Mouse& m : mice) {
        r += ' ';
        r += std::to_string(m.port);
      }
      Reply(r);
      continue;
    }
    size_t index = 0;
    if (!(in >> index) || index >= mice.size()) {
      Reply("error no such mouse");
      continue;
    }
    Mouse& m = mice[index];
    if (command == "attach") {
      Reply(attach(index));
    } else if (command == "detach-after") {
      uint64_t count = 0;
      if (!(in >> count)) {
        Reply("error missing count");
      } else if (m.port < 0) {
        Reply("error mouse " + std::to_string(index) + " is not attached");
      } else {
        m.detach_at = count;
        armed.notify_all();
        Reply("ok armed " + std::to_string(index) + " " + std::to_string(count));
      }
    } else if (command == "detach") {
      m.detach_at.reset();
      if (m.port < 0) {
        Reply("error mouse " + std::to_string(index) + " is not attached");
        continue;
      }
      std::string error;
      const bool ok = vhci.Detach(m.port, &error);
      m.port = -1;
      Reply(ok ? "ok detached " + std::to_string(index) : "error " + error);
    } else if (command == "press-dpi" || command == "press-profile") {
      int value = 0;
      if (!(in >> value)) {
        Reply("error missing value");
        continue;
      }
      if (command == "press-dpi") {
        m.sim->PressDpiButton(value);
      } else {
        m.sim->PressProfileButton(value);
      }
      Reply("ok " + command);
    } else if (command == "transfers") {
      Reply("ok " + std::to_string(m.port < 0 ? 0 : vhci.ControlTransfers(m.port)));
    } else {
      Reply("error unknown command " + command);
    }
  }
  {
    std::lock_guard l(mu);
    quitting = true;
  }
  armed.notify_all();
  watcher.join();
  return 0;
}
