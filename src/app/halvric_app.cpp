#include "app/halvric_app.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <stdexcept>
#include <string_view>

#include "app/active_window_watch.h"
#include "app/device_session.h"
#include "app/host_input.h"
#include "app/instance_channel.h"
#include "app/main_window_wiring.h"
#include "app/qt_translation.h"
#include "app/session_notices.h"
#include "app/sim_developer_keys.h"
#include "config/language_choice.h"
#include "config/program_settings.h"
#include "config/text_tables.h"
#include "config/ui_texts.h"
#include "macro/macro_library.h"
#include "config/safe_format.h"
#include "platform/folders.h"
#include "platform/instance_socket.h"
#include "platform/linux/desktop_pointer_accel.h"
#include "platform/linux/foreground_provider.h"
#include "platform/linux/x11_compositor.h"
#include "platform/linux/x11_pointer_control.h"
#include "platform/linux/xkb_key_names.h"
#include "platform/pointer_acceleration.h"
#include "platform/process_start.h"
#include "platform/profile_file.h"
#include "platform/session_desktop.h"
#include "services/program_context.h"
#include "ui/kit/app_fonts.h"
#include "ui/macro/macro_edit.h"
#include "ui/main/halvric_dlg.h"
#include "ui/osd/disp_dlg.h"

namespace halvric {

CHalvricApp::CHalvricApp() : context_(std::make_unique<ProgramContext>()), texts_(std::make_unique<TextTables>()) {}

CHalvricApp::~CHalvricApp() = default;

ProgramSettings CHalvricApp::LoadTexts() {
  const FolderEnvironment env = FolderEnvironment::FromProcess();
  ProgramSettings settings;
  settings.LoadStartOptions(ProfileFile((DataFolder(env) / kSettingsFileName).string()), ProcessLocaleLanguageId());
  texts_->LoadLanguage((ProgramFolder(env) / "language.ini").string(), settings.language);
  return settings;
}

CHalvricApp::Prelude CHalvricApp::Start(const std::vector<std::string>& args, const std::string& socket_path) {
  Prelude out;
  out.options = ParseStartOptions(args);
  const FolderEnvironment env = FolderEnvironment::FromProcess();
  const std::filesystem::path data = DataFolder(env);
  EnsureDataFolder(data);
  ProfileFile set_ini((data / kSettingsFileName).string());
  if (out.options.langid) WriteLanguageOption(set_ini, *out.options.langid);
  std::optional<int> new_pin;
  if (out.options.genpin) new_pin = GeneratePin(set_ini);
  const QString path = socket_path.empty() ? InstanceChannel::DefaultPath() : QString::fromStdString(socket_path);
  if (out.options.close) {
    InstanceChannel::Send(path, "close");
    return out;
  }
  const ProgramSettings settings = LoadTexts();
  out.pin = new_pin ? new_pin : settings.pin;
  out.language = settings.language;
  // A running instance answers: wake it (unless this start is hidden) and end.
  if (InstanceChannel::Send(path, out.options.hide ? "ping" : "wake", 300)) return out;
  channel_ = std::make_unique<InstanceChannel>(path);
  if (!channel_->Claim()) {
    // Another user's folder (or one open to others) could hold a socket of theirs: say why the
    // program does not start instead of ending without a word.
    const std::string folder = QFileInfo(path).absolutePath().toStdString();
    if (!FolderIsPrivate(folder)) {
      std::fprintf(stderr, "halvric: %s\n", ui_text::Formatted(*texts_, ui_text::kNotPrivateFolder, {folder}).c_str());
      return out;
    }
    if (!out.options.hide) InstanceChannel::Send(path, "wake");
    return out;
  }
  out.go_on = true;
  return out;
}

namespace {

// Whether Qt will find a display to connect to; says why not on standard error. Qt itself ends
// the process with an abort in its platform plugin when it finds none.
bool DisplayReachable(const StartOptions& options, const TextTables& texts) {
  const auto env = [](const char* name) -> const char* { return std::getenv(name); };
  if (!DisplayConfigured(options, env)) {
    std::fprintf(stderr, "halvric: %s\n", ui_text::Formatted(texts, ui_text::kNoGraphicalSession).c_str());
    return false;
  }
  // Only X is left to try when X is the platform chosen, or neither a platform nor a Wayland
  // display is named.
  const char* qpa = std::getenv("QT_QPA_PLATFORM");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const bool xcb = options.platform ? *options.platform == "xcb" : qpa != nullptr && std::string_view(qpa) == "xcb";
  const bool x_only = xcb || (!options.platform && (qpa == nullptr || *qpa == '\0') && (wayland == nullptr || *wayland == '\0'));
  const std::string display = options.display.value_or(std::getenv("DISPLAY") != nullptr ? std::getenv("DISPLAY") : "");
  if (x_only && !linux_hid::X11PointerControl::Connect(display)) {
    std::fprintf(stderr, "halvric: %s\n", ui_text::Formatted(texts, ui_text::kCannotReachDisplay, {display}).c_str());
    return false;
  }
  return true;
}

}  // namespace

int CHalvricApp::Run(int argc, char** argv) {
  std::vector<std::string> args(argv, argv + argc);
  // Usage, version and refused options end here, before the instance check and any display.
  const StartOptions options = ParseStartOptions(args);
  if (options.version) {
    std::printf("halvric %s\n", HALVRIC_VERSION);
    return 0;
  }
  if (options.help || !options.unknown.empty()) {
    // In the user's language: the settings and the language file are read, nothing is written.
    LoadTexts();
    if (options.help) {
      std::fputs(UsageText(*texts_).c_str(), stdout);
      return 0;
    }
    std::fputs(UnknownOptionText(*texts_, options.unknown.front()).c_str(), stderr);
    return 2;
  }
  // The instance check runs before any display connection exists.
  Prelude prelude = Start(args);
  if (!prelude.go_on) return prelude.exit_code;
  // In a Wayland session with XWayland the program runs as an X client (see ChosenPlatform).
  if (const auto platform = ChosenPlatform(prelude.options, [](const char* name) { return std::getenv(name); })) {
    qputenv("QT_QPA_PLATFORM", QByteArray::fromStdString(*platform));
  }
  if (!DisplayReachable(prelude.options, *texts_)) return 1;

  QApplication app(argc, argv);
  if (QGuiApplication::platformName() == QLatin1String("wayland")) {
    const char* x_display = std::getenv("DISPLAY");
    std::fputs(NativeWaylandNotice(*texts_, x_display != nullptr && *x_display != '\0').c_str(), stderr);
  }
  const std::unique_ptr<QTranslator> qt_texts = InstallQtTranslation(texts_->language());
  // The channel's socket is watched by this thread's event loop, which exists from here on.
  channel_->Serve();
  app.setQuitOnLastWindowClosed(false);
  app.setApplicationName(QStringLiteral("halvric"));
  fonts_ = std::make_unique<AppFonts>();
  app.setFont(fonts_->Sans(14));

  const FolderEnvironment env = FolderEnvironment::FromProcess();
  DlgDeps deps;
  deps.context = context_.get();
  deps.fonts = fonts_.get();
  deps.texts = texts_.get();
  deps.data_folder = DataFolder(env);
  // Without a tray a hidden window could not be reached: start-hidden starts shown then, and
  // closing the window quits.
  deps.tray_available = [] { return QSystemTrayIcon::isSystemTrayAvailable(); };
  deps.start_hidden = prelude.options.hide && QSystemTrayIcon::isSystemTrayAvailable();
  const bool start_hidden = deps.start_hidden;
  deps.pin = prelude.pin;
  // The device session outlives the window, which stops it on its way out.
  SessionOptions session_options;
  session_options.simulate = prelude.options.simulate;
  session_options.sim_state = prelude.options.sim_state;
  session_options.data_folder = deps.data_folder;
  std::unique_ptr<DeviceSession> session;
  try {
    session = std::make_unique<DeviceSession>(session_options);
  } catch (const std::exception& e) {
    // A simulated mouse that cannot be made (an unknown model; a state file that cannot be read,
    // is not a state or holds other models) is the user's start option at fault: say so and
    // end, leaving the file as it is.
    std::fprintf(stderr, "halvric: %s\n", e.what());
    return 1;
  }
  deps.session = session.get();
  // Key texts use the labels of the user's own keyboard layout.
  deps.key_names = linux_hid::UserKeyNames();
  // The window in front and the pointer settings come from what the session offers: the
  // compositor's own means in a Wayland session, the X server otherwise.
  const SessionEnvironment session_env = SessionEnvironment::FromProcess();
  deps.pointer = linux_hid::SessionPointerSettings(session_env);
  const char* kde_version = std::getenv("KDE_SESSION_VERSION");
  linux_hid::ForegroundChoice foreground =
      linux_hid::ConnectForegroundWindow(session_env, ProgramFolder(env), kde_version != nullptr ? kde_version : "");
  deps.foreground = std::move(foreground.window);
  deps.foreground_notice = ForegroundNotice(*texts_, session_env, foreground.source);
  if (qEnvironmentVariableIsSet("HALVRIC_REPORT_DESKTOP")) {
    std::fprintf(stderr, "halvric: window in front from %s; pointer acceleration %s\n",
                 foreground.source ? std::string(SourceName(*foreground.source)).c_str() : "nowhere",
                 deps.pointer ? "settable" : "not settable");
  }

  // Tilt-scroll and touch through uinput, where it may be written, on any display: uinput needs
  // none. Touch also needs the pointer's global position, which only X tells. Kept until the
  // window has gone; the window says what is off and why.
  std::unique_ptr<HostInput> host_input;
  if (const QScreen* screen = QGuiApplication::primaryScreen(); screen != nullptr) {
    const bool x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    const QRect desktop = screen->virtualGeometry();
    const qreal ratio = screen->devicePixelRatio();
    std::string error;
    host_input = HostInput::Start(static_cast<int>(desktop.width() * ratio), static_cast<int>(desktop.height() * ratio),
                                  x11, &error);
    // The usual reason, a device node this user may not write, in the user's language.
    if (!host_input && !HostInput::DeviceWritable()) {
      error = SafeFormat(texts_->Get(TextFamily::ui_str, ui_text::kCannotWrite), {std::string("/dev/uinput")});
    }
    deps.host_input_notice = HostInputNotice(*texts_, host_input != nullptr, error, x11);
  }
  if (host_input) deps.movement_intake = host_input->Intake();
  // The X server's notice of active-window changes wakes the window's foreground check.
  auto on_active_window = std::make_shared<std::function<void()>>();
  std::unique_ptr<ActiveWindowWatch> active_watch;
  // Only the X server sends such notices; the other sources are asked on the check's timer.
  if (deps.foreground && foreground.source == ForegroundSource::kX11 &&
      QGuiApplication::platformName() == QLatin1String("xcb")) {
    active_watch = ActiveWindowWatch::Create([on_active_window] {
      if (*on_active_window) (*on_active_window)();
    });
  }
  deps.active_window_notices = active_watch != nullptr;

  auto dlg = std::make_unique<CHalvricDlg>(std::move(deps));
  // On X the on-screen display is translucent only while a compositing manager runs.
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    std::shared_ptr<linux_hid::X11Compositor> compositor = linux_hid::X11Compositor::Connect(
        prelude.options.display.value_or(std::string()));
    if (compositor) dlg->osd().SetTranslucencyCheck([compositor] { return compositor->Running(); });
  }
  *on_active_window = [w = dlg.get()] { w->RunForegroundCheck(); };
  AttachSession(*session, *dlg);
  macro_editor_ = &dlg->macroEditor();
  QObject::connect(channel_.get(), &InstanceChannel::wakeRequested, dlg.get(), &CHalvricDlg::WakeUp);
  QObject::connect(channel_.get(), &InstanceChannel::closeRequested, dlg.get(), &CHalvricDlg::Quit);
  QObject::connect(dlg.get(), &CHalvricDlg::destroyed, &app, &QCoreApplication::quit);
  // A language chosen on the "Other" page: the program ends as on "Quit" and starts again in it.
  bool restart = false;
  QObject::connect(dlg.get(), &CHalvricDlg::languageChosen, dlg.get(), [&restart, w = dlg.get()] {
    restart = true;
    w->Quit();
    // An editor that keeps its changes stops the quit; then nothing restarts.
    if (!w->Quitting()) restart = false;
  });
  // The window ends the run when it closes with the quit flag set.
  struct QuitWatch : QObject {
    ProgramContext* ctx;
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Close && ctx->quit.load()) QTimer::singleShot(0, qApp, &QCoreApplication::quit);
      return false;
    }
  } watch;
  watch.ctx = context_.get();
  dlg->installEventFilter(&watch);
  // The simulated mice's developer keys exist only in a simulated run.
  std::unique_ptr<SimDeveloperKeys> developer_keys;
  if (!prelude.options.simulate.empty()) {
    developer_keys = std::make_unique<SimDeveloperKeys>(*dlg, *session, *context_);
    dlg->installEventFilter(developer_keys.get());
  }
  // A hidden start never maps the window: it appears when the tray or a second start asks.
  if (!start_hidden) dlg->show();
  if (qEnvironmentVariableIsSet("HALVRIC_REPORT_STARTUP")) {
    // Time since the process started until the window is exposed.
    struct FirstExpose : QObject {
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Expose && !done) {
          done = true;
          fprintf(stderr, "halvric: window mapped after %.3f s\n", SecondsSinceProcessStart());
        }
        return false;
      }
      bool done = false;
    };
    auto* fe = new FirstExpose;
    fe->setParent(&app);
    dlg->windowHandle() ? dlg->windowHandle()->installEventFilter(fe) : dlg->installEventFilter(fe);
  }
  // The library is loaded once the window is up.
  QTimer::singleShot(0, [this, &deps_folder = env] {
    library_ = std::make_unique<MacroLibrary>(DataFolder(deps_folder), *texts_);
    library_->ScanLibrary();
  });
  const int code = app.exec();
  // Orderly end: the window stops its session (workers joined) before the application goes.
  context_->quit.store(true);
  dlg->removeEventFilter(&watch);
  if (developer_keys) dlg->removeEventFilter(developer_keys.get());
  macro_editor_ = nullptr;
  active_watch.reset();
  dlg.reset();
  session.reset();
  host_input.reset();
  library_.reset();
  channel_.reset();
  if (restart) {
    std::fflush(nullptr);
    RestartProcess(RestartArguments(args));
    std::fprintf(stderr, "halvric: %s\n", ui_text::Formatted(*texts_, ui_text::kCannotRestart).c_str());
  }
  return code;
}

}  // namespace halvric
