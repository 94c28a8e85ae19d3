// The macro editor and the macro list driven as a person would, over simulated mice: recording,
// editing keys, saving onto mouse slots, and a function dragged from the list onto a button.

#include <QKeyEvent>
#include <QLineEdit>
#include <fstream>
#include <QTimer>

#include "config/text_tables.h"
#include "macro/macro_file.h"
#include "macro/macro_library.h"
#include "macro/macro_space.h"
#include "support/literal_addresses.h"
#include "support/fake_key_names.h"
#include "support/window_fixture.h"
#include "ui/button/button_set_dlg.h"
#include "ui/kit/str_dlg.h"
#include "ui/macro/macro_edit.h"
#include "ui/macro/macro_list_wnd.h"

using namespace halvric;
using halvric::testing::WindowRig;

class MacroWindowsTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir dir_;

  static void ClickAt(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }
  static void Key(QWidget* w, QEvent::Type type, Qt::Key key, const QString& text) {
    QKeyEvent e(type, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(w, &e);
  }
  static std::vector<uint8_t> Bytes(const MacroItemList& items) { return SerializeInstructions(items); }
  // Answers every prompt that shows up, OK or Cancel, and records its message.
  struct PromptAnswerer {
    PromptAnswerer(CStrDlg& prompt, bool ok) {
      timer.setInterval(20);
      QObject::connect(&timer, &QTimer::timeout, [&prompt, ok, this] {
        if (!prompt.isVisible()) return;
        messages.push_back(prompt.message);
        ClickAt(&prompt, ok ? prompt.OkRect().center() : prompt.CancelRect().center());
      });
      timer.start();
    }
    QTimer timer;
    QStringList messages;
  };
  // Answers the next prompt with OK, typing `text` into its field first.
  struct TypeAnswer {
    TypeAnswer(CStrDlg& prompt, const QString& text) {
      timer.setInterval(20);
      QObject::connect(&timer, &QTimer::timeout, [&prompt, text, this] {
        if (!prompt.isVisible()) return;
        messages.push_back(prompt.message);
        prompt.TextField()->setText(text);
        ClickAt(&prompt, prompt.OkRect().center());
        timer.stop();
      });
      timer.start();
    }
    QTimer timer;
    QStringList messages;
  };
  static int RowNamed(MacroEdit& ed, const MacroLibrary& lib, const std::string& name) {
    for (size_t r = 0; r < ed.rows().size(); ++r) {
      const MacroEdit::PanelRow& row = ed.rows()[r];
      if ((row.kind == MacroEdit::kRowFolder || row.kind == MacroEdit::kRowPcMacro) &&
          lib.macros()[static_cast<size_t>(row.index)].name == name) {
        return static_cast<int>(r);
      }
    }
    return -1;
  }

 private slots:
  void initTestCase() {
    QVERIFY(dir_.isValid());
    halvric::testing::UsePrivateFolders(dir_);
  }

  void recordingAndEditing() {
    WindowRig rig("level11");
    MacroEdit& ed = rig.window->macroEditor();
    int64_t now = 1000;
    ed.clock = [&now] { return now; };
    ed.show();

    // Record "A held 300 ms": the clicks on Record and Stop are not recorded.
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdRecord).center());
    QVERIFY(ed.recorder().recording());
    Key(&ed, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"));
    now += 150;
    Key(&ed, QEvent::KeyPress, Qt::Key_A, QStringLiteral("a"));  // auto-repeat adds nothing
    now += 150;
    Key(&ed, QEvent::KeyRelease, Qt::Key_A, QStringLiteral("a"));
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdRecord).center());
    QVERIFY(!ed.recorder().recording());
    QCOMPARE(Bytes(ed.items()), (std::vector<uint8_t>{0x83, 0x04, 0x89, 0x2C, 0x01, 0x84, 0x04}));
    QVERIFY(!ed.RowIsNew(0));  // recorded, not inserted by hand
    QCOMPARE(ed.SizeInMouse(), 7 + 34);

    // A delay into an empty list: one row 88 01 tagged "new" for five minutes.
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdClear).center());
    QCOMPARE(ed.items().size(), size_t{0});
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdDelay).center());
    QCOMPARE(Bytes(ed.items()), (std::vector<uint8_t>{0x88, 0x01}));
    QVERIFY(ed.RowIsNew(0));
    QVERIFY(ed.RowText(0).startsWith(QStringLiteral("0000  ")));
    now += 300000;
    QVERIFY(!ed.RowIsNew(0));

    // Cut a range and paste it back at the cursor.
    Macro m;
    m.name = "Five";
    for (uint8_t i = 1; i <= 5; ++i) m.items.push_back(MakeItem({0x88, i}));
    ed.SetMacro(m, {}, -1);
    ClickAt(&ed, ed.InstructionRowRect(1).center());
    QTest::mouseClick(&ed, Qt::LeftButton, Qt::ShiftModifier, ed.InstructionRowRect(3).center());
    QCOMPARE(ed.selectionFirst(), 1);
    QCOMPARE(ed.selectionLast(), 3);
    QTest::keyClick(&ed, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(Bytes(ed.items()), (std::vector<uint8_t>{0x88, 1, 0x88, 5}));
    QCOMPARE(ed.clipboard().size(), size_t{3});
    ClickAt(&ed, ed.InstructionRowRect(2).center() + QPoint(0, 2));  // after the last row
    QCOMPARE(ed.cursor(), 2);
    QTest::keyClick(&ed, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Bytes(ed.items()), (std::vector<uint8_t>{0x88, 1, 0x88, 5, 0x88, 2, 0x88, 3, 0x88, 4}));
    QVERIFY(ed.modified());
    // Deleting the last instruction puts the cursor on the new last one.
    ed.SetMacro(ed.macro(), {}, -1);
    QTest::keyClick(&ed, Qt::Key_Delete);
    QCOMPARE(ed.items().size(), size_t{4});
    QCOMPARE(ed.cursor(), 3);
    // Dragging row 0 below row 2 moves it there.
    QTest::mousePress(&ed, Qt::LeftButton, Qt::NoModifier, ed.InstructionRowRect(0).center());
    QTest::mouseMove(&ed, ed.InstructionRowRect(1).center());
    QTest::mouseMove(&ed, ed.InstructionRowRect(2).center() + QPoint(0, 8));
    QTest::mouseRelease(&ed, Qt::LeftButton, Qt::NoModifier, ed.InstructionRowRect(2).center() + QPoint(0, 8));
    QCOMPARE(Bytes(ed.items()), (std::vector<uint8_t>{0x88, 5, 0x88, 1, 0x88, 2, 0x88, 3}));
    QCOMPARE(ed.cursor(), 1);
  }

  void savingOntoMouseSlotsAtWireLatency() {
    WindowRig rig("level11", std::chrono::microseconds(1000));
    QVERIFY(rig.WaitLoaded(30000));
    rig.Settle();
    MacroEdit& ed = rig.window->macroEditor();
    rig.window->ShowMacroEditor();
    ed.RefreshPanel();
    Macro m;
    m.name = "Fire";
    for (int i = 0; i < 200; ++i) m.items.push_back(MakeItem({0x88, static_cast<uint8_t>(i + 1)}));
    ed.SetMacro(m, {}, -1);
    int slot = -1;
    for (int s = 0; s < kMacroSlots && slot < 0; ++s) {
      if (rig.window->workingCopy().macros[static_cast<size_t>(s)].start == 0) slot = s;
    }
    QVERIFY(slot >= 0);
    const int row = ed.RowOfSlot(slot);
    QVERIFY(row >= 0);
    // Dropped onto the empty slot it is written at once, while the window keeps running.
    PromptAnswerer answer(rig.window->prompt(), true);
    QTest::mousePress(&ed, Qt::LeftButton, Qt::NoModifier, ed.NameRect().center());
    QTest::mouseMove(&ed, ed.NameRect().center() + QPoint(-40, 10));
    QTest::mouseRelease(&ed, Qt::LeftButton, Qt::NoModifier, ed.PanelRowRect(row).center());
    QVERIFY(ed.Busy());
    QElapsedTimer gap;
    gap.start();
    int64_t longest = 0;
    bool progress_seen = false;
    while (ed.Busy()) {
      QTest::qWait(5);
      longest = std::max<int64_t>(longest, gap.restart());
      progress_seen = progress_seen || ed.Progress() > 0;
    }
    QVERIFY2(longest < 200, qPrintable(QString::number(longest)));
    QVERIFY(progress_seen);
    QVERIFY(answer.messages.isEmpty());
    const MacroSlot& stored = rig.window->workingCopy().macros[static_cast<size_t>(slot)];
    QCOMPARE(stored.name, std::string("Fire"));
    const auto body = rig.Mouse().ReadMemory(stored.body, 4);
    QCOMPARE(body, (std::vector<uint8_t>{0x88, 1, 0x88, 2}));

    // Onto the used slot: the overwrite question comes first, then the name.
    m.items.resize(3);
    ed.SetMacro(m, {}, -1);
    const int used_row = ed.RowOfSlot(slot);
    QTest::mousePress(&ed, Qt::LeftButton, Qt::NoModifier, ed.NameRect().center());
    QTest::mouseMove(&ed, ed.NameRect().center() + QPoint(-40, 10));
    QTest::mouseRelease(&ed, Qt::LeftButton, Qt::NoModifier, ed.PanelRowRect(used_row).center());
    QTRY_VERIFY_WITH_TIMEOUT(!ed.Busy(), 20000);
    QVERIFY(answer.messages.size() >= 2);
    QCOMPARE(answer.messages[0], QStringLiteral("Overwrite macro 'Fire' ?"));
    QCOMPARE(rig.window->workingCopy().macros[static_cast<size_t>(slot)].length, uint32_t{33 + 6 + 1});
  }

  void functionDraggedFromListOntoButton() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    rig.window->move(0, 0);
    rig.window->ShowFunctionList(true);
    ui::MacroList& list = rig.window->macroList();
    QVERIFY(list.isVisible());
    QCOMPARE(list.mode(), ui::MacroList::kLibraryMode);
    const int row = list.RowOf("Double click");
    QVERIFY(row >= 0);
    const _MACRO_LIST_ITEM_ entry = list.EntryOfRow(row);
    int button = -1;
    for (int b = 0; b < 8 && button < 0; ++b) {
      if (b != rig.window->ProtectedButton() && !rig.window->ButtonItemRect(b).isEmpty()) button = b;
    }
    QVERIFY(button >= 0);
    const QPoint start = list.RowRect(row).center();
    // A 2-pixel jitter does not start a drag.
    QTest::mousePress(&list, Qt::LeftButton, Qt::NoModifier, start);
    QTest::mouseMove(&list, start + QPoint(2, 2));
    QCOMPARE(list.Drag(), static_cast<int>(ui::MacroList::kDragPressed));
    QTest::mouseMove(&list, start + QPoint(3, 6));
    QCOMPARE(list.Drag(), static_cast<int>(ui::MacroList::kDragDragging));
    const QPoint target = list.mapFromGlobal(rig.window->mapToGlobal(rig.window->ButtonItemRect(button).center()));
    QTest::mouseMove(&list, target);
    QTest::mouseRelease(&list, Qt::LeftButton, Qt::NoModifier, target);
    rig.Settle();
    const int key = rig.window->layout().key_index[static_cast<size_t>(button)];
    const int p = rig.context.current_profile.load();
    const std::array<uint8_t, 4> expected = ButtonAssignment::Make(entry.type, entry.op1, entry.op2, entry.op3).Bytes();
    QCOMPARE(rig.window->workingCopy().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)].bytes,
             expected);
    const int level = rig.window->workingCopy().protocol_level;
    for (int plane = 0; plane < 4; ++plane) {
      QCOMPARE(rig.Mouse().ReadMemory(halvric::test::ButtonByte(level, p, key, plane), 1)[0],
               expected[static_cast<size_t>(plane)]);
    }
  }

  // A file's mode outside 8-10 stays in the editor and in what it saves to a file; the mouse gets
  // 8, as its mode byte and as the function code of the buttons that play the macro.
  void aFilesModeIsKeptAndOnlyTheMouseGetsEight() {
    WindowRig rig("level5");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    MacroEdit& ed = rig.window->macroEditor();
    rig.window->ShowMacroEditor();
    const std::string in = (dir_.path() + QStringLiteral("/odd.mf")).toStdString();
    const std::string out = (dir_.path() + QStringLiteral("/odd_out.mf")).toStdString();
    Macro m;
    m.name = "Odd";
    m.mode = 7;
    m.items = {MakeItem({0x83, 0x04}), MakeItem({0x84, 0x04})};
    QCOMPARE(SaveMacroFile(in, m, 1700000000), MacroFileStatus::kOk);
    PromptAnswerer answer(rig.window->prompt(), true);
    ed.choose_file = [&in](bool) { return QString::fromStdString(in); };
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdImport).center());
    QCOMPARE(ed.macro().mode, 7);
    ed.choose_file = [&out](bool) { return QString::fromStdString(out); };
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdExport).center());
    const auto exported = ReadMacroHeader(out);
    QVERIFY(exported.ok());
    QCOMPARE(exported->type, 7);

    // Into the first free slot of the mouse (its mode byte in the table at 992 set to 10 first):
    // 8 is written.
    int slot = 0;
    while (rig.window->workingCopy().macros[static_cast<size_t>(slot)].start != 0) ++slot;
    const uint32_t mode_byte = 992 + static_cast<uint32_t>(slot);
    const uint8_t ten[] = {10};
    rig.Mouse().WriteMemory(mode_byte, ten);
    ed.RefreshPanel();
    const int row = ed.RowOfSlot(slot);
    QVERIFY(row >= 0);
    ed.SaveOntoRow(row);
    QTRY_VERIFY_WITH_TIMEOUT(!ed.Busy(), 20000);
    QCOMPARE(rig.Mouse().ReadMemory(mode_byte, 1)[0], uint8_t{8});
    QCOMPARE(rig.window->workingCopy().macros[static_cast<size_t>(slot)].mode, uint32_t{8});
  }

  // The editor's instruction rows name keys as the user's layout labels them, as the main window does.
  void instructionRowsNameKeysAsTheLayoutDoes() {
    WindowRig rig("level5", {}, std::make_shared<halvric::testing::AzertyKeyNames>());
    MacroEdit& ed = rig.window->macroEditor();
    Macro m;
    m.items = {MakeItem({0x83, halvric::testing::kUsageUsA}), MakeItem({0x84, halvric::testing::kUsageUsQ}),
               MakeItem({0x83, 0x29})};
    ed.SetMacro(m, {}, -1);
    QVERIFY2(ed.RowText(0).endsWith(QStringLiteral(" Q")), qPrintable(ed.RowText(0)));
    QVERIFY2(ed.RowText(1).endsWith(QStringLiteral(" A")), qPrintable(ed.RowText(1)));
    QVERIFY2(ed.RowText(2).endsWith(QStringLiteral(" Esc")), qPrintable(ed.RowText(2)));
  }

  // Names of the entries shown, in order, with a marker for the depth they are drawn at.
  static QStringList EditorTree(MacroEdit& ed, const MacroLibrary& lib) {
    QStringList out;
    for (const MacroEdit::PanelRow& r : ed.rows()) {
      if (r.kind != MacroEdit::kRowFolder && r.kind != MacroEdit::kRowPcMacro) continue;
      const _MACRO_LIST_ITEM_& e = lib.macros()[static_cast<size_t>(r.index)];
      out << QString(e.depth - 1, QLatin1Char('>')) + QString::fromStdString(e.name);
    }
    return out;
  }
  static QStringList ListTree(ui::MacroList& list) {
    QStringList out;
    for (int r = 0; r < list.RowCount(); ++r) {
      const _MACRO_LIST_ITEM_& e = list.EntryOfRow(r);
      out << QString(e.depth - 1, QLatin1Char('>')) + QString::fromStdString(e.name);
    }
    return out;
  }
  static void WriteMacro(const std::filesystem::path& path, const std::string& name) {
    std::filesystem::create_directories(path.parent_path());
    Macro m;
    m.name = name;
    m.items.push_back(DefaultDelayItem());
    QCOMPARE(SaveMacroFile(path, m, 1700000000), MacroFileStatus::kOk);
  }

  // Entries sit under the folder that holds them, whatever their names sort like, in the
  // editor's panel and in the macro list alike; a closed folder hides its own entries only.
  void twoFoldersOpenedAndClosed() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    WriteMacro(lib.tree() / "Work" / "1.mf", "Copy");
    WriteMacro(lib.tree() / "Work" / "2.mf", "Paste");
    WriteMacro(lib.tree() / "Alpha" / "3.mf", "Yank");
    WriteMacro(lib.tree() / "4.mf", "Bare");
    lib.SetExpanded((lib.tree() / "Work").string(), true);
    lib.SetExpanded((lib.tree() / "Alpha").string(), false);
    lib.ScanLibrary();
    MacroEdit& ed = rig.window->macroEditor();
    ed.RefreshPanel();
    QCOMPARE(EditorTree(ed, lib), (QStringList{"Alpha", "Bare", "Work", ">Copy", ">Paste"}));
    ui::MacroList& list = rig.window->macroList();
    list.SetList(ui::MacroList::kMacroMode, &lib.macros(), &lib);
    QCOMPARE(ListTree(list), EditorTree(ed, lib));

    // Opening "Alpha" shows Yank under it and nothing else moves.
    ed.show();
    int alpha = -1;
    for (size_t r = 0; r < ed.rows().size(); ++r) {
      if (ed.rows()[r].kind == MacroEdit::kRowFolder && lib.macros()[static_cast<size_t>(ed.rows()[r].index)].name == "Alpha") {
        alpha = static_cast<int>(r);
      }
    }
    QVERIFY(alpha >= 0);
    ClickAt(&ed, ed.PanelRowRect(alpha).center());
    QCOMPARE(EditorTree(ed, lib), (QStringList{"Alpha", ">Yank", "Bare", "Work", ">Copy", ">Paste"}));
    // Closing "Work" in the list hides Copy and Paste only.
    list.ListChanged();
    list.show();
    ClickAt(&list, list.RowRect(list.RowOf("Work")).center());
    QCOMPARE(ListTree(list), (QStringList{"Alpha", ">Yank", "Bare", "Work"}));
    list.hide();
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  static int FreeButton(WindowRig& rig) {
    for (int b = 0; b < 8; ++b) {
      if (b != rig.window->ProtectedButton() && !rig.window->ButtonItemRect(b).isEmpty()) return b;
    }
    return -1;
  }

  // A library macro picked on the dialog's Macro page is stored in the mouse first, and the button
  // plays it from its body address, as a drop from the function list does.
  void libraryMacroPickedInTheButtonDialogLandsInTheMouse() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    const int button = FreeButton(rig);
    QVERIFY(button >= 0);
    CButtonSetDlg& dlg = rig.window->buttonDialog();
    bool picked = false;
    QTimer picker;
    picker.setInterval(20);
    QObject::connect(&picker, &QTimer::timeout, [&] {
      if (!dlg.isVisible() || picked) return;
      picked = true;
      ClickAt(&dlg, dlg.PageTabRect(CButtonSetDlg::kPageMacro).center());
      // The library's groups open closed and show their own entries when opened.
      QCOMPARE(dlg.MacroRowOf("Copy"), -1);
      ClickAt(&dlg, dlg.MacroRowRect(dlg.MacroRowOf("Editing shortcuts")).center());
      ClickAt(&dlg, dlg.MacroRowRect(dlg.MacroRowOf("Copy")).center());
      ClickAt(&dlg, dlg.ConfirmRect().center());
    });
    picker.start();
    ClickAt(rig.window.get(), rig.window->ButtonItemRect(button).center());
    QTRY_VERIFY_WITH_TIMEOUT(picked && !dlg.isVisible(), 5000);
    rig.Settle();
    const WorkingCopy& wc = rig.window->workingCopy();
    int slot = -1;
    for (int s = 0; s < kMacroSlots; ++s) {
      if (wc.macros[static_cast<size_t>(s)].start != 0 && wc.macros[static_cast<size_t>(s)].name == "Copy") slot = s;
    }
    QVERIFY(slot >= 0);
    const uint32_t body = wc.macros[static_cast<size_t>(slot)].body;
    QVERIFY(body != 0);
    const int key = rig.window->layout().key_index[static_cast<size_t>(button)];
    const int p = rig.context.current_profile.load();
    const std::array<uint8_t, 4> expected{8, static_cast<uint8_t>(body & 0xFF), static_cast<uint8_t>(body >> 8), 0};
    for (int plane = 0; plane < 4; ++plane) {
      QCOMPARE(rig.Mouse().ReadMemory(halvric::test::ButtonByte(wc.protocol_level, p, key, plane), 1)[0],
               expected[static_cast<size_t>(plane)]);
    }
  }

  // A macro file dropped on a button of a mouse without room for it says so and changes nothing.
  void dropWithoutRoomSaysLackOfSpace() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    rig.window->move(0, 0);
    const int button = FreeButton(rig);
    QVERIFY(button >= 0);
    const int key = rig.window->layout().key_index[static_cast<size_t>(button)];
    const int p = rig.context.current_profile.load();
    const auto before = rig.window->workingCopy().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)].bytes;
    Macro big;
    big.name = "Big";
    const int64_t room = FreeMemory(rig.window->workingCopy());
    for (int64_t i = 0; i < room / 2 + 64; ++i) big.items.push_back(MakeItem({0x88, 1}));
    const std::string path = (dir_.path() + QStringLiteral("/big.mf")).toStdString();
    QCOMPARE(SaveMacroFile(path, big, 1700000000), MacroFileStatus::kOk);
    _MACRO_LIST_ITEM_ entry = *ReadMacroHeader(path);
    PromptAnswerer answer(rig.window->prompt(), true);
    rig.window->DropEntry(entry, rig.window->mapToGlobal(rig.window->ButtonItemRect(button).center()));
    rig.Settle();
    QTRY_COMPARE_WITH_TIMEOUT(answer.messages, QStringList{QStringLiteral("Lack of space !!")}, 5000);
    QCOMPARE(rig.window->workingCopy().profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)].bytes, before);
  }

  // The editor's Name control renames a folder (its open state kept), a PC macro (moved to a fresh
  // numeric file and loaded into the editor) and a mouse macro (written back under the new name).
  void renameFolderPcMacroAndMouseMacro() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    WriteMacro(lib.tree() / "Work" / "1.mf", "Copy");
    lib.SetExpanded((lib.tree() / "Work").string(), true);
    lib.ScanLibrary();
    MacroEdit& ed = rig.window->macroEditor();
    rig.window->ShowMacroEditor();
    ed.RefreshPanel();

    ed.SetMacro(Macro{}, {}, -1);
    ClickAt(&ed, ed.PanelRowRect(RowNamed(ed, lib, "Work")).center());  // selects it (and closes it)
    ClickAt(&ed, ed.PanelRowRect(RowNamed(ed, lib, "Work")).center());  // opens it again
    {
      TypeAnswer answer(rig.window->prompt(), QStringLiteral("Jobs:old"));
      ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdRename).center());
      QCOMPARE(answer.messages, QStringList{QStringLiteral("Folder name")});
    }
    QVERIFY(std::filesystem::is_directory(lib.tree() / "Jobs_old"));
    QVERIFY(!std::filesystem::exists(lib.tree() / "Work"));
    QCOMPARE(EditorTree(ed, lib), (QStringList{"Jobs_old", ">Copy"}));

    ClickAt(&ed, ed.PanelRowRect(RowNamed(ed, lib, "Copy")).center());
    {
      TypeAnswer answer(rig.window->prompt(), QStringLiteral("Duplicate"));
      QTest::keyClick(&ed, Qt::Key_F2);
      QCOMPARE(answer.messages, QStringList{QStringLiteral("Macro name")});
    }
    QVERIFY(!std::filesystem::exists(lib.tree() / "Jobs_old" / "1.mf"));
    QCOMPARE(ed.macro().name, std::string("Duplicate"));
    QVERIFY(std::filesystem::exists(ed.CurrentFile()));
    QCOMPARE(ReadMacroHeader(ed.CurrentFile())->name, std::string("Duplicate"));
    QCOMPARE(ed.SelectedRow(), ed.RowOfPath(ed.CurrentFile()));
    QCOMPARE(EditorTree(ed, lib), (QStringList{"Jobs_old", ">Duplicate"}));

    // Into the first empty slot of the mouse; the written macro is then the one selected.
    int slot = 0;
    while (rig.window->workingCopy().macros[static_cast<size_t>(slot)].start != 0) ++slot;
    ed.SaveOntoRow(ed.RowOfSlot(slot));
    QTRY_VERIFY_WITH_TIMEOUT(!ed.Busy(), 20000);
    QCOMPARE(rig.window->workingCopy().macros[static_cast<size_t>(slot)].name, std::string("Duplicate"));
    QCOMPARE(ed.SelectedRow(), ed.RowOfSlot(slot));
    {
      TypeAnswer answer(rig.window->prompt(), QStringLiteral("Renamed"));
      ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdRename).center());
      QTRY_VERIFY_WITH_TIMEOUT(!ed.Busy(), 20000);
    }
    QCOMPARE(rig.window->workingCopy().macros[static_cast<size_t>(slot)].name, std::string("Renamed"));
    QCOMPARE(ed.macro().name, std::string("Renamed"));
    QCOMPARE(rig.window->workingCopy().macros[static_cast<size_t>(slot)].length, uint32_t{33 + 2 + 1});
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  // A file that is not a macro file says "invalid format !!" in a message: found by the
  // window's scan, loaded from the list (the editor is then empty) or imported (nothing changes).
  void corruptFilesSayInvalidFormat() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    WriteMacro(lib.tree() / "5.mf", "Soon bad");
    lib.ScanLibrary();
    MacroEdit& ed = rig.window->macroEditor();
    rig.window->ShowMacroEditor();
    ed.RefreshPanel();
    const int row = RowNamed(ed, lib, "Soon bad");
    QVERIFY(row >= 0);
    {
      std::ofstream junk(lib.tree() / "5.mf", std::ios::binary | std::ios::trunc);
      junk << "_@_XX6.2_ not a macro file at all";
    }
    Macro m;
    m.name = "Before";
    m.items.push_back(DefaultDelayItem());
    ed.SetMacro(m, {}, -1);
    {
      PromptAnswerer answer(rig.window->prompt(), true);
      ed.LoadRow(row);
      QCOMPARE(answer.messages, QStringList{QStringLiteral("invalid format !!")});
    }
    QVERIFY(ed.items().empty());
    QVERIFY(ed.macro().name.empty());

    ed.SetMacro(m, {}, -1);
    ed.choose_file = [&lib](bool) { return QString::fromStdString((lib.tree() / "5.mf").string()); };
    {
      PromptAnswerer answer(rig.window->prompt(), true);
      ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdImport).center());
      QCOMPARE(answer.messages, QStringList{QStringLiteral("invalid format !!")});
    }
    QCOMPARE(ed.macro().name, std::string("Before"));

    {
      PromptAnswerer answer(rig.window->prompt(), true);
      lib.ScanLibrary();
      QTRY_COMPARE_WITH_TIMEOUT(answer.messages, QStringList{QStringLiteral("invalid format !!")}, 3000);
    }
    // Export adds the suffix; one that cannot be written says so and claims no format fault.
    const QString out = dir_.path() + QStringLiteral("/exported");
    ed.choose_file = [&out](bool) { return out; };
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdExport).center());
    QVERIFY(ReadMacroHeader((out + QStringLiteral(".mf")).toStdString()).ok());
    ed.choose_file = [this](bool) { return dir_.path() + QStringLiteral("/no/such/folder/x.mf"); };
    {
      PromptAnswerer answer(rig.window->prompt(), true);
      ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdExport).center());
      QTRY_COMPARE_WITH_TIMEOUT(answer.messages.size(), 1, 3000);
      QVERIFY(answer.messages.front().endsWith(QStringLiteral("x.mf: cannot be written")));
    }
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  // The dialog's Macro page opens the user's macro list as a picker; the picked file goes into
  // the mouse and the button plays it. A double click with nothing chosen picks nothing.
  void pickerOpenedFromTheButtonDialog() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    WriteMacro(lib.tree() / "7.mf", "Picked");
    lib.ScanLibrary();
    const int button = FreeButton(rig);
    CButtonSetDlg& dlg = rig.window->buttonDialog();
    ui::MacroList& list = rig.window->macroList();
    bool picked = false, shown = false;
    // Two timers: a timer does not fire again while its own handler waits in the picker.
    QTimer chooser;
    chooser.setInterval(20);
    QObject::connect(&chooser, &QTimer::timeout, [&] {
      if (!list.isVisible() || list.mode() != ui::MacroList::kMacroMode || shown) return;
      shown = true;
      const QPoint row = list.RowRect(list.RowOf("Picked")).center();
      ClickAt(&list, row);
      QTest::mouseDClick(&list, Qt::LeftButton, Qt::NoModifier, row);
    });
    chooser.start();
    QTimer picker;
    picker.setInterval(20);
    QObject::connect(&picker, &QTimer::timeout, [&] {
      if (!dlg.isVisible() || picked) return;
      picked = true;
      ClickAt(&dlg, dlg.PageTabRect(CButtonSetDlg::kPageMacro).center());
      ClickAt(&dlg, dlg.MacroActionRect(CButtonSetDlg::kMacroLoad).center());
      QCOMPARE(dlg.MacroName(), std::string("Picked"));
      ClickAt(&dlg, dlg.ConfirmRect().center());
    });
    picker.start();
    ClickAt(rig.window.get(), rig.window->ButtonItemRect(button).center());
    QTRY_VERIFY_WITH_TIMEOUT(picked && shown && !dlg.isVisible(), 5000);
    picker.stop();
    rig.Settle();
    const WorkingCopy& wc = rig.window->workingCopy();
    int slot = -1;
    for (int s = 0; s < kMacroSlots; ++s) {
      if (wc.macros[static_cast<size_t>(s)].start != 0 && wc.macros[static_cast<size_t>(s)].name == "Picked") slot = s;
    }
    QVERIFY(slot >= 0);
    const int key = rig.window->layout().key_index[static_cast<size_t>(button)];
    const int p = rig.context.current_profile.load();
    const uint32_t body = wc.macros[static_cast<size_t>(slot)].body;
    QCOMPARE(wc.profiles[static_cast<size_t>(p)].buttons[static_cast<size_t>(key)].bytes,
             (std::array<uint8_t, 4>{8, static_cast<uint8_t>(body & 0xFF), static_cast<uint8_t>(body >> 8), 0}));

    list.SetList(ui::MacroList::kMacroMode, &lib.macros(), &lib);
    list.show();
    QTest::mouseDClick(&list, Qt::LeftButton, Qt::NoModifier, QPoint(list.width() / 2, list.height() - 100));
    QCOMPARE(list.result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(list.ResultPath().empty());
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  // The dialog's Macro page saves a library macro into the user's list, and a row dragged onto
  // its edit area opens in the editor once the dialog has closed.
  void macroPageSavesToTheListAndOpensTheEditor() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    rig.Settle();
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
    CButtonSetDlg& dlg = rig.window->buttonDialog();
    bool done = false;
    QTimer driver;
    driver.setInterval(20);
    QObject::connect(&driver, &QTimer::timeout, [&] {
      if (!dlg.isVisible() || done) return;
      done = true;
      ClickAt(&dlg, dlg.PageTabRect(CButtonSetDlg::kPageMacro).center());
      ClickAt(&dlg, dlg.MacroRowRect(dlg.MacroRowOf("Editing shortcuts")).center());
      ClickAt(&dlg, dlg.MacroRowRect(dlg.MacroRowOf("Paste")).center());
      ClickAt(&dlg, dlg.MacroActionRect(CButtonSetDlg::kMacroSave).center());
      const QPoint from = dlg.MacroRowRect(dlg.MacroRowOf("Undo")).center();
      const QPoint to = dlg.MacroEditDropRect().center();
      QTest::mousePress(&dlg, Qt::LeftButton, Qt::NoModifier, from);
      QTest::mouseMove(&dlg, from + QPoint(0, 2));
      QTest::mouseMove(&dlg, to);
      QTest::mouseRelease(&dlg, Qt::LeftButton, Qt::NoModifier, to);
    });
    driver.start();
    ClickAt(rig.window.get(), rig.window->ButtonItemRect(FreeButton(rig)).center());
    QTRY_VERIFY_WITH_TIMEOUT(done && !dlg.isVisible(), 5000);
    MacroEdit& ed = rig.window->macroEditor();
    QTRY_VERIFY_WITH_TIMEOUT(ed.isVisible(), 3000);
    QCOMPARE(ed.macro().name, std::string("Undo"));
    QVERIFY(ed.CurrentFile().empty());  // a library's file is edited as a new macro
    lib.ScanLibrary();
    QCOMPARE(lib.macros().size(), size_t{1});
    QCOMPARE(lib.macros()[0].name, std::string("Paste"));
    ed.SetMacro(Macro{}, {}, -1);
    ed.close();
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  // Quitting cancels an open picker; the function list is left alone.
  void quitCancelsThePicker() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    MacroLibrary& lib = rig.window->library();
    ui::MacroList& list = rig.window->macroList();
    list.SetList(ui::MacroList::kMacroMode, &lib.macros(), &lib);
    list.show();
    QVERIFY(list.isVisible());
    rig.window->Quit();
    QVERIFY(!list.isVisible());
    QCOMPARE(list.result(), static_cast<int>(QDialog::Rejected));
  }

  // The editor closes with its close control and with Esc, asking first about unsaved changes,
  // also those of a macro without instructions; a deleted file is no longer where Save writes.
  void editorClosesAndForgetsADeletedFile() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    MacroLibrary& lib = rig.window->library();
    std::filesystem::remove_all(lib.tree());
    WriteMacro(lib.tree() / "8.mf", "Doomed");
    lib.ScanLibrary();
    MacroEdit& ed = rig.window->macroEditor();
    rig.window->ShowMacroEditor();
    ed.RefreshPanel();
    QVERIFY(ed.isVisible());
    ed.SetMacro(Macro{}, {}, -1);
    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdModeLoop).center());  // modified, still empty
    {
      PromptAnswerer answer(rig.window->prompt(), false);
      QTest::keyClick(&ed, Qt::Key_Escape);
      QCOMPARE(answer.messages.size(), qsizetype{1});
      QVERIFY(answer.messages[0].startsWith(QStringLiteral("Save changes in macro")));
    }
    QVERIFY(ed.isVisible());

    ed.SetMacro(Macro{}, {}, -1);
    ed.LoadRow(RowNamed(ed, lib, "Doomed"));
    QCOMPARE(ed.macro().name, std::string("Doomed"));
    QVERIFY(!ed.CurrentFile().empty());
    ClickAt(&ed, ed.PanelRowRect(RowNamed(ed, lib, "Doomed")).center());
    {
      PromptAnswerer answer(rig.window->prompt(), true);
      ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdDeleteMacro).center());
    }
    QVERIFY(!std::filesystem::exists(lib.tree() / "8.mf"));
    QVERIFY(ed.CurrentFile().empty());

    ClickAt(&ed, ed.CommandRect(MacroEdit::kCmdClose).center());
    QVERIFY(!ed.isVisible());
    std::filesystem::remove_all(lib.tree());
    lib.ScanLibrary();
  }

  void listWheelAndMacroModeKeys() {
    WindowRig rig("level11");
    QVERIFY(rig.WaitLoaded());
    // Two macro files in the library.
    MacroLibrary& lib = rig.window->library();
    Macro m;
    m.name = "One";
    m.items.push_back(DefaultDelayItem());
    QVERIFY(lib.SaveMacro(lib.NewMacroPath(lib.tree()), m));
    m.name = "Two";
    const auto second = lib.tree() / "second.mf";
    QVERIFY(lib.SaveMacro(second, m));
    lib.ScanLibrary();
    ui::MacroList& list = rig.window->macroList();
    list.SetList(ui::MacroList::kMacroMode, &lib.macros(), &lib);
    list.show();
    QCOMPARE(list.RowCount(), 2);
    // Delete in macro mode removes the selected file at once.
    ClickAt(&list, list.RowRect(list.RowOf("Two")).center());
    QTest::keyClick(&list, Qt::Key_Delete);
    QVERIFY(!std::filesystem::exists(second));
    QCOMPARE(list.RowCount(), 1);
    // With one row the wheel does nothing.
    QWheelEvent w(QPointF(50, 50), list.mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120), Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&list, &w);
    QCOMPARE(list.ScrollPos(), 0);
    // Double click on the selected row picks it.
    ClickAt(&list, list.RowRect(0).center());
    QTest::mouseDClick(&list, Qt::LeftButton, Qt::NoModifier, list.RowRect(0).center());
    QCOMPARE(list.result(), static_cast<int>(QDialog::Accepted));
    QVERIFY(!list.ResultPath().empty());
    // In library mode Delete removes nothing; fast wheel turning accelerates up to 20.
    rig.window->ShowFunctionList(true);
    const int rows = list.RowCount();
    QVERIFY(rows > 3);
    QTest::keyClick(&list, Qt::Key_Down);
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(list.RowCount(), rows);
    for (int i = 0; i < 30; ++i) QCoreApplication::sendEvent(&list, &w);
    QVERIFY(list.WheelFactor() > 15 && list.WheelFactor() < 20 * 1.4);
    QCOMPARE(list.ScrollPos(), (rows - 1) * ui::MacroList::kRowHeight);
  }
};

QTEST_MAIN(MacroWindowsTest)
#include "macro_windows_test.moc"
