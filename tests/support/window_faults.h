#pragma once
// What the window fault tests share: a clicker that answers every prompt and keeps its text, a
// fresh read of the mouse on the session's worker, the difference between two working copies,
// and the fault of the simulated mouse at a share of a clean run's exchanges.

#include <QElapsedTimer>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <memory>
#include <string>

#include "app/sim_hotplug_source.h"
#include "config/read_all.h"
#include "sim/fault_schedule.h"
#include "support/window_fixture.h"
#include "ui/kit/str_dlg.h"

namespace halvric::testing {

// Clicks OK of every prompt that `prompt` opens (the questions and the messages) and keeps their
// texts in order.
class PromptAnswers {
 public:
  explicit PromptAnswers(CStrDlg& prompt) : prompt_(prompt) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (!prompt_.isVisible()) return;
      texts.push_back(prompt_.message);
      QTest::mouseClick(&prompt_, Qt::LeftButton, Qt::NoModifier, prompt_.OkRect().center());
    });
    timer_.start(5);
  }
  QStringList texts;

 private:
  CStrDlg& prompt_;
  QTimer timer_;
};

// The parts of two working copies that come from the mouse; the first difference, or empty.
inline QString Difference(const WorkingCopy& have, const WorkingCopy& want) {
  if (!have.loaded || !want.loaded) return QStringLiteral("a copy is not loaded");
  if (have.dpi != want.dpi || have.dpi_level != want.dpi_level || have.dpi_mask != want.dpi_mask)
    return QStringLiteral("dpi");
  if (have.settings_byte != want.settings_byte || have.profile_bits != want.profile_bits ||
      have.rate_code != want.rate_code || have.angle_snapping != want.angle_snapping)
    return QStringLiteral("settings");
  for (size_t p = 0; p < have.profiles.size(); ++p) {
    const ProfileSettings& a = have.profiles[p];
    const ProfileSettings& b = want.profiles[p];
    if (a.colour != b.colour || a.name != b.name || a.extension != b.extension)
      return QStringLiteral("profile %1").arg(p);
    for (size_t k = 0; k < a.buttons.size(); ++k) {
      if (a.buttons[k].bytes != b.buttons[k].bytes) return QStringLiteral("profile %1 key %2").arg(p).arg(k);
    }
  }
  for (size_t s = 0; s < have.macros.size(); ++s) {
    const MacroSlot& a = have.macros[s];
    const MacroSlot& b = want.macros[s];
    if (a.start != b.start || a.body != b.body || a.length != b.length || a.name != b.name)
      return QStringLiteral("slot %1").arg(s);
  }
  return {};
}

// Runs `job` on the session's worker and waits for it.
template <typename Job>
void OnWorker(WindowRig& rig, Job job) {
  bool done = false;
  rig.session->Post(std::move(job), [&done] { done = true; });
  QElapsedTimer t;
  t.start();
  while (!done && t.elapsed() < 20000) QTest::qWait(5);
}

// A read-all of the mouse as it is now, on the session's worker with its memory mirror emptied.
inline WorkingCopy FreshRead(WindowRig& rig) {
  auto fresh = std::make_shared<WorkingCopy>();
  OnWorker(rig, [fresh](DeviceLayer& dev, WorkingCopy&) {
    dev.mirror().Clear();
    ReadAll(dev, *fresh);
  });
  return *fresh;
}

// Plans `fault` ("stuck", "unplug", "drop", "garbage", "busy") at `share` of `clean` exchanges
// from now; its text form, for the log.
inline std::string ScheduleFault(WindowRig& rig, const QString& fault, double share, uint64_t clean) {
  const auto at = static_cast<uint64_t>(share * static_cast<double>(clean));
  auto planned = sim::ParseFault(fault.toStdString() + "@" + std::to_string(at));
  if (!planned) return {};
  rig.Mouse().ScheduleFault(*planned);
  return sim::FaultText(*planned);
}

inline bool Lasting(const QString& fault) { return fault == QStringLiteral("stuck") || fault == QStringLiteral("unplug"); }

// After a lasting fault: the fault clears and the mouse is plugged in again.
inline void ClearAndReplug(WindowRig& rig) {
  rig.Mouse().ClearFaults();
  rig.session->simHotplug()->Unplug(0);
  QTest::qWait(50);
  rig.session->simHotplug()->Plug(0);
}

}  // namespace halvric::testing
