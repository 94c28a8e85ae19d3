// The desktop program's command line: what it accepts, what it refuses, which Qt platform it picks,
// and that usage, version and a missing display are answered in the terminal without starting
// the program.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/instance_channel.h"
#include "config/text_tables.h"
#include "platform/folders.h"
#include "platform/text_columns.h"
#include "support/window_fixture.h"

using namespace halvric;

class CommandLineTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  struct Outcome {
    int code = -1;
    QString out, err;
  };
  // Runs the program in an environment with no display at all, but for `displays` (name, value).
  Outcome Run(const QStringList& args, const QList<QPair<QString, QString>>& displays = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(QString::fromLatin1(name));
    for (const auto& [name, value] : displays) env.insert(name, value);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(HALVRIC_PATH), args);
    if (!p.waitForFinished(10000)) {
      p.kill();
      p.waitForFinished();
      return {};
    }
    Outcome o;
    o.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : 128 + p.exitCode();
    o.out = QString::fromUtf8(p.readAllStandardOutput());
    o.err = QString::fromUtf8(p.readAllStandardError());
    return o;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void qtOptionsPassAndOthersAreRefused() {
    const StartOptions a = ParseStartOptions(
        {"halvric", "-platform", "offscreen", "--display=:3", "-reverse", "-style=fusion", "/HIDE", "--simulate=level0"});
    QVERIFY(a.unknown.empty());
    QVERIFY(a.hide);
    QCOMPARE(QString::fromStdString(a.platform.value()), QStringLiteral("offscreen"));
    QCOMPARE(QString::fromStdString(a.display.value()), QStringLiteral(":3"));
    QCOMPARE(QString::fromStdString(a.simulate), QStringLiteral("level0"));

    // "offscreen" is Qt's value, not an unknown argument; a misspelt option and a value option
    // without its value are refused.
    const StartOptions b = ParseStartOptions({"halvric", "--hdie", "file.txt", "-platform"});
    QCOMPARE(b.unknown.size(), size_t{3});
    QVERIFY(!b.platform);

    const StartOptions c = ParseStartOptions({"halvric", "--HELP", "/Version"});
    QVERIFY(c.help && c.version);
  }

  void aDisplayIsNamedByAnOptionOrTheEnvironment() {
    const StartOptions none = ParseStartOptions({"halvric"});
    auto env_with = [](const char* set) {
      return [set](const char* name) -> const char* { return std::string_view(name) == set ? "x" : nullptr; };
    };
    QVERIFY(!DisplayConfigured(none, [](const char*) -> const char* { return nullptr; }));
    QVERIFY(!DisplayConfigured(none, [](const char*) -> const char* { return ""; }));
    QVERIFY(DisplayConfigured(none, env_with("DISPLAY")));
    QVERIFY(DisplayConfigured(none, env_with("WAYLAND_DISPLAY")));
    QVERIFY(DisplayConfigured(none, env_with("QT_QPA_PLATFORM")));
    QVERIFY(DisplayConfigured(ParseStartOptions({"halvric", "-platform", "offscreen"}),
                              [](const char*) -> const char* { return nullptr; }));
  }

  void aWaylandSessionWithXWaylandRunsTheProgramAsAnXClient() {
    using Env = std::map<std::string, std::string>;
    auto from = [](const Env& env) {
      return [env](const char* name) -> const char* {
        const auto it = env.find(name);
        return it == env.end() ? nullptr : it->second.c_str();
      };
    };
    const StartOptions plain = ParseStartOptions({"halvric"});
    QCOMPARE(ChosenPlatform(plain, from({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}})), std::optional<std::string>("xcb"));
    // Without XWayland there is nothing to choose; an X session needs no choice either.
    QCOMPARE(ChosenPlatform(plain, from({{"WAYLAND_DISPLAY", "wayland-0"}})), std::nullopt);
    QCOMPARE(ChosenPlatform(plain, from({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ""}})), std::nullopt);
    QCOMPARE(ChosenPlatform(plain, from({{"DISPLAY", ":0"}})), std::nullopt);
    // The user's own choice stands, through the environment or the option.
    QCOMPARE(ChosenPlatform(plain, from({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"QT_QPA_PLATFORM", "wayland"}})),
             std::nullopt);
    QCOMPARE(ChosenPlatform(ParseStartOptions({"halvric", "-platform", "wayland"}),
                            from({{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}})),
             std::nullopt);
    // An X display named on the command line is one only the X platform reaches.
    QCOMPARE(ChosenPlatform(ParseStartOptions({"halvric", "-display", ":3"}), from({{"WAYLAND_DISPLAY", "wayland-0"}})),
             std::optional<std::string>("xcb"));
    // Run natively anyway, the program says what that costs: the way back through XWayland only
    // where the session has one, and in the user's language.
    const TextTables english;
    QVERIFY(QString::fromStdString(NativeWaylandNotice(english, true)).contains(QStringLiteral("-platform xcb")));
    QVERIFY(!QString::fromStdString(NativeWaylandNotice(english, false)).contains(QStringLiteral("-platform xcb")));
    TextTables german;
    QCOMPARE(german.LoadLanguage((ProgramFolder(FolderEnvironment::FromProcess()) / "language.ini").string(), 1031), 1031);
    QVERIFY(QString::fromStdString(NativeWaylandNotice(german, false)).startsWith(QStringLiteral("halvric: l\u00e4uft als natives")));
  }

  void usageVersionAndRefusalsAnswerWithoutStarting() {
    // A running instance does not swallow them.
    InstanceChannel running(InstanceChannel::DefaultPath());
    QVERIFY(running.Listen());

    const Outcome help = Run({QStringLiteral("--help")});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith(QStringLiteral("Usage: halvric")));
    QVERIFY(help.out.contains(QStringLiteral("--hide")));

    const Outcome version = Run({QStringLiteral("--version")});
    QCOMPARE(version.code, 0);
    QVERIFY(version.out.startsWith(QStringLiteral("halvric ")));

    const Outcome bad = Run({QStringLiteral("--hdie")});
    QCOMPARE(bad.code, 2);
    QVERIFY(bad.err.contains(QStringLiteral("unknown option '--hdie'")));
    QVERIFY(bad.out.isEmpty());

    // In the user's language, every line within 80 columns (a CJK character takes two), every
    // option named as typed.
    const auto in = [](const char* lang) {
      return QList<QPair<QString, QString>>{{QStringLiteral("LC_ALL"), QString()},
                                            {QStringLiteral("LANG"), QString::fromLatin1(lang)}};
    };
    for (const char* lang : {"de_DE.UTF-8", "ja_JP.UTF-8", "zh_TW.UTF-8"}) {
      const Outcome h = Run({QStringLiteral("--help")}, in(lang));
      QCOMPARE(h.code, 0);
      QVERIFY2(!h.out.startsWith(QStringLiteral("Usage")), lang);
      for (const QString& line : h.out.split(QLatin1Char('\n'))) {
        QVERIFY2(halvric::DisplayWidth(line.toStdString()) < 80, qPrintable(line));
      }
      for (const char* option : {"--hide", "--close", "--langid=ID", "--genpin", "--simulate[=MODELS]", "--sim-state FILE"}) {
        QVERIFY2(h.out.contains(QLatin1String(option)), option);
      }
    }
    QVERIFY(Run({QStringLiteral("--help")}, in("de_DE.UTF-8")).out.startsWith(QStringLiteral("Aufruf: halvric")));
    const Outcome bad_de = Run({QStringLiteral("--hdie")}, in("de_DE.UTF-8"));
    QCOMPARE(bad_de.code, 2);
    QCOMPARE(bad_de.err, QStringLiteral("halvric: unbekannte Option \u201e--hdie\u201c\n\u201ehalvric --help\u201c gibt weitere "
                                        "Informationen.\n"));
  }

  void aRestartDropsTheOptionsThatActOnce() {
    const std::vector<std::string> args = {"halvric", "/LangID=1031", "--simulate=level0", "--hide", "/genpin",
                                           "--sim-state", "s.json", "-platform", "xcb", "/close"};
    const std::vector<std::string> expected = {"halvric", "--simulate=level0", "--sim-state", "s.json", "-platform", "xcb"};
    QVERIFY(RestartArguments(args) == expected);
  }

  void withoutADisplayTheProgramSaysSoInOneLine() {
    const Outcome o = Run({QStringLiteral("--simulate=level0")});
    QCOMPARE(o.code, 1);
    QCOMPARE(o.err.count(QLatin1Char('\n')), 1);
    QVERIFY(o.err.startsWith(QStringLiteral("halvric: no graphical session")));

    // In a Wayland session with XWayland the program goes for the X display: one that cannot be
    // reached is named, instead of Qt's platform plugin ending the process.
    const Outcome x = Run({QStringLiteral("--simulate=level0")},
                          {{QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("halvric-test-none")},
                           {QStringLiteral("DISPLAY"), QStringLiteral(":987")}});
    QCOMPARE(x.code, 1);
    QCOMPARE(x.err, QStringLiteral("halvric: cannot reach the X display \":987\"\n"));
    // In the user's language.
    const Outcome de = Run({QStringLiteral("--simulate=level0")},
                           {{QStringLiteral("LC_ALL"), QString()}, {QStringLiteral("LANG"), QStringLiteral("de_DE.UTF-8")}});
    QCOMPARE(de.code, 1);
    QVERIFY(de.err.startsWith(QStringLiteral("halvric: keine grafische Sitzung")));
  }

  void aStateFileItRefusesEndsTheStartAndStaysAsItWas() {
    const QString offscreen = QStringLiteral("offscreen");
    const QString not_state = dir_.filePath(QStringLiteral("important.json"));
    const QString empty = dir_.filePath(QStringLiteral("empty.json"));
    for (const auto& [path, bytes] : {std::pair{not_state, QByteArray("{\"a\":1}\n")}, std::pair{empty, QByteArray()}}) {
      QFile f(path);
      QVERIFY(f.open(QIODevice::WriteOnly));
      f.write(bytes);
      f.close();
      const Outcome o = Run({QStringLiteral("--simulate=level11"), QStringLiteral("--sim-state"), path},
                            {{QStringLiteral("QT_QPA_PLATFORM"), offscreen}});
      QCOMPARE(o.code, 1);
      QVERIFY2(o.err.startsWith(QStringLiteral("halvric: ")) && o.err.contains(path), qPrintable(o.err));
      QVERIFY(f.open(QIODevice::ReadOnly));
      QCOMPARE(f.readAll(), bytes);
    }
    const Outcome missing = Run({QStringLiteral("--simulate=level11"), QStringLiteral("--sim-state"),
                                 dir_.filePath(QStringLiteral("no-such-folder/state.json"))},
                                {{QStringLiteral("QT_QPA_PLATFORM"), offscreen}});
    QCOMPARE(missing.code, 1);
  }
};

QTEST_MAIN(CommandLineTest)
#include "command_line_test.moc"
