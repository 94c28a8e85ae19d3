#include "app/host_input.h"

#include "platform/linux/uinput_injector.h"
#include "platform/linux/x11_pointer_position.h"
#include "services/movement_intake.h"
#include "services/tilt_scroll.h"
#include "services/touch_emulation.h"

namespace halvric {

std::unique_ptr<HostInput> HostInput::Start(int screen_width, int screen_height, bool with_touch,
                                            std::string* error) {
  if (!linux_hid::UinputInjector::Writable(error)) return nullptr;
  std::unique_ptr<HostInput> h(new HostInput);
  if (with_touch) h->pointer_ = linux_hid::ConnectX11PointerPosition();
  linux_hid::UinputInjector::PointerLocator locator;
  if (h->pointer_) locator = [p = h->pointer_] { return p->Position(); };
  h->injector_ = linux_hid::UinputInjector::Create(screen_width, screen_height, std::move(locator), error);
  if (!h->injector_) return nullptr;
  h->tilt_ = std::make_unique<TiltScroll>(*h->injector_);
  if (with_touch) h->touch_ = std::make_unique<TouchEmulation>(*h->injector_);
  h->intake_ = std::make_unique<MovementIntake>(*h->injector_, *h->tilt_, h->touch_.get());
  h->tilt_->Start();
  if (h->touch_) h->touch_->Start();
  return h;
}

bool HostInput::DeviceWritable() { return linux_hid::UinputInjector::Writable(nullptr); }

HostInput::~HostInput() {
  // The threads end before the injector they use.
  if (touch_) touch_->Stop();
  if (tilt_) tilt_->Stop();
}

}  // namespace halvric
