#pragma once
// A main window over simulated mice, as the tests drive it: private runtime and data folders,
// the shared objects the application object would create, and helpers that wait for the worker.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

#include "app/device_session.h"
#include "app/main_window_wiring.h"
#include "config/text_tables.h"
#include "platform/key_names.h"
#include "services/program_context.h"
#include "sim/sim_hid_backend.h"
#include "sim/sim_mouse.h"
#include "ui/kit/app_fonts.h"
#include "ui/main/halvric_dlg.h"

namespace halvric::testing {

// Private folders for the runtime socket and the data folder, set before any window exists.
inline void UsePrivateFolders(QTemporaryDir& dir) {
  qputenv("XDG_RUNTIME_DIR", dir.path().toUtf8());
  qputenv("HALVRIC_DATA_DIR", (dir.path() + QStringLiteral("/data")).toUtf8());
  qputenv("HALVRIC_TRANSFER_LOCK", (dir.path() + QStringLiteral("/transfer.lock")).toUtf8());
}

struct WindowRig {
  // `key_names` stands for the user's keyboard layout (null: the program's own key names);
  // `foreground` for the desktop's window in front (null: none known); `tray_available` for the
  // desktop's tray (null: there is one); `language_id` the language of the texts (0: English);
  // `host_input_notice` what the Other page says of tilt-scroll and touch (empty: both run);
  // `sim_state` the state file the simulated mice start from (empty: none).
  explicit WindowRig(const std::string& models, std::chrono::microseconds latency = {},
                     std::shared_ptr<const KeyNameSource> key_names = nullptr,
                     std::unique_ptr<ForegroundWindow> foreground = nullptr,
                     std::function<bool()> tray_available = nullptr, int language_id = 0,
                     std::string host_input_notice = {}, const std::string& sim_state = {}) {
    // The window's texts in another language than English, from the shipped language.ini.
    if (language_id != 0) {
      texts.LoadLanguage((qgetenv("HALVRIC_SOURCE_DIR").toStdString() + "/resources/language.ini"), language_id);
    }
    DlgDeps deps;
    deps.tray_available = std::move(tray_available);
    deps.host_input_notice = std::move(host_input_notice);
    deps.key_names = std::move(key_names);
    deps.foreground = std::move(foreground);
    deps.context = &context;
    deps.fonts = &fonts;
    deps.texts = &texts;
    deps.data_folder = std::filesystem::path(qgetenv("HALVRIC_DATA_DIR").toStdString());
    std::filesystem::create_directories(deps.data_folder);
    SessionOptions options;
    options.simulate = models;
    options.sim_latency = latency;
    options.sim_state = sim_state;
    options.lock_file = qgetenv("HALVRIC_TRANSFER_LOCK").toStdString();
    session = std::make_unique<DeviceSession>(options);
    deps.session = session.get();
    window = std::make_unique<CHalvricDlg>(std::move(deps));
    AttachSession(*session, *window);
    window->show();
  }

  sim::SimHidBackend& Sim() { return *session->simulator(); }
  sim::SimMouse& Mouse(size_t i = 0) { return Sim().Mouse(i); }

  // Waits until the settings are loaded (true) or the time runs out.
  bool WaitLoaded(int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!window->HasDevice() && t.elapsed() < ms) QTest::qWait(10);
    return window->HasDevice();
  }
  // Waits until the worker has nothing left to do and no debounce is pending.
  void Settle(int extra_ms = 0) {
    QTest::qWait(extra_ms);
    QElapsedTimer t;
    t.start();
    while ((session->Pending() > 0 || window->Busy() > 0) && t.elapsed() < 20000) QTest::qWait(5);
    QTest::qWait(5);
  }
  int SetFeatureLines() {
    int n = 0;
    for (const std::string& l : Sim().TraceLines()) n += l.rfind("S ", 0) == 0;
    return n;
  }

  ProgramContext context;
  AppFonts fonts;
  TextTables texts;
  std::unique_ptr<DeviceSession> session;  // outlives the window, which stops it
  std::unique_ptr<CHalvricDlg> window;
};

}  // namespace halvric::testing
