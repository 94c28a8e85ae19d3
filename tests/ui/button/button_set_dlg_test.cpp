// The button setting dialog driven with the pointer and the keyboard, as a person would: what
// each page marks and which four bytes (and key-cycle block) it hands back.

#include "ui/button/button_set_dlg.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include "config/key_labels.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "macro/list_scrolling.h"
#include "support/literal_addresses.h"
#include "support/fake_key_names.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/key_resources.h"

using namespace halvric;

class ButtonSetDlgTest : public QObject {
  Q_OBJECT

 private:
  AppFonts fonts_;
  TextTables texts_;
  // A null layout: the program's own key names.
  std::unique_ptr<CButtonSetDlg> MakeDialog(std::shared_ptr<const KeyNameSource> layout = nullptr) {
    auto keys = std::make_shared<const KeyLabels>(ProgramScanTable(), std::move(layout));
    return std::make_unique<CButtonSetDlg>(fonts_, texts_, keys, LoadProgramScreenKeyboard(texts_, *keys));
  }
  static ButtonSetRequest Request(ButtonAssignment a) {
    ButtonSetRequest r;
    r.current = a;
    r.type_code = 19;
    r.protocol_level = 11;
    r.max_dpi = 200;
    return r;
  }
  static void Click(QWidget* w, const QPoint& p) { QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, p); }
  // Index of the first key matching `pred`.
  template <typename Pred>
  static int FindKey(const CButtonSetDlg& d, Pred pred) {
    const auto& keys = d.keyboard().keys;
    for (size_t i = 0; i < keys.size(); ++i) {
      if (pred(keys[i])) return static_cast<int>(i);
    }
    return -1;
  }
  static int KeyOfUsage(const CButtonSetDlg& d, int usage) {
    return FindKey(
        d, [usage](const ScreenKey& k) { return k.modifier == 0 && k.consumer_usage == 0 && k.usage == usage; });
  }
  static int KeyOfModifier(const CButtonSetDlg& d, int bit) {
    return FindKey(d, [bit](const ScreenKey& k) { return k.modifier == bit; });
  }
  static std::vector<int> Marked(const CButtonSetDlg& d) {
    std::vector<int> out;
    for (size_t i = 0; i < d.keyboard().keys.size(); ++i) {
      if (d.keyboard().keys[i].selected) out.push_back(static_cast<int>(i));
    }
    return out;
  }
  static int EntryOfType(const CButtonSetDlg& d, int type) {
    for (size_t i = 0; i < d.catalogue().size(); ++i) {
      if (d.catalogue()[i].type == type) return static_cast<int>(i);
    }
    return -1;
  }

 private slots:
  void initTestCase() { QVERIFY(ProgramScanTable().ScanCode(0x04) != 0); }

  void keyboardPageMarksAndBuildsCombinations() {
    auto d = MakeDialog();
    QVERIFY(!d->keyboard().keys.empty());
    // Ctrl (both) + A opens on the keyboard page with the three keys marked.
    d->Prepare(Request(ButtonAssignment::Keyboard(0x11, 0x04)));
    d->show();
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageKeyboard));
    const int lctrl = KeyOfModifier(*d, 0x01), rctrl = KeyOfModifier(*d, 0x10), a = KeyOfUsage(*d, 0x04);
    QVERIFY(lctrl >= 0 && rctrl >= 0 && a >= 0);
    std::vector<int> expected{lctrl, rctrl, a};
    std::sort(expected.begin(), expected.end());
    QCOMPARE(Marked(*d), expected);

    // From nothing: Shift, then A, then B replaces A.
    d->Prepare(Request(ButtonAssignment::MouseButtons(1)));
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyboard).center());
    QVERIFY(Marked(*d).empty());
    const int shift = KeyOfModifier(*d, 0x02), b = KeyOfUsage(*d, 0x05);
    Click(d.get(), d->KeyRect(shift).center());
    Click(d.get(), d->KeyRect(a).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(5, 0x02, 0x04, 0));
    Click(d.get(), d->KeyRect(b).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(5, 0x02, 0x05, 0));
    QCOMPARE(Marked(*d).size(), size_t{2});
    QVERIFY(d->Description().contains(QStringLiteral("+")));

    // A media key after letters stands alone and gives type 6.
    const int media = FindKey(*d, [](const ScreenKey& k) { return k.consumer_usage != 0; });
    QVERIFY(media >= 0);
    Click(d.get(), d->KeyRect(media).center());
    QCOMPARE(Marked(*d), std::vector<int>{media});
    const int cu = d->keyboard().keys[static_cast<size_t>(media)].consumer_usage;
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(6, cu & 0xFF, cu >> 8, 0));

    // Unmarking the only main key leaves the modifier alone, without a key usage.
    Click(d.get(), d->KeyRect(shift).center());
    Click(d.get(), d->KeyRect(a).center());
    Click(d.get(), d->KeyRect(a).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(5, 0x02, 0, 0));

    // A preset combination marks its keys.
    Click(d.get(), d->PresetRect(0).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(5, 0x01, 0x06, 0));
    QVERIFY(d->keyboard().keys[static_cast<size_t>(lctrl)].selected);
  }

  // On an AZERTY keyboard the on-screen keys, the description of a chosen key, the key presets
  // and the key-cycle slots all name a key as its label does.
  void keysAreNamedAsTheLayoutLabelsThem() {
    using halvric::testing::kUsageUsA;
    using halvric::testing::kUsageUsQ;
    auto d = MakeDialog(std::make_shared<halvric::testing::AzertyKeyNames>());
    const int labelled_a = KeyOfUsage(*d, kUsageUsQ);
    QVERIFY(labelled_a >= 0);
    QCOMPARE(d->keyboard().keys[static_cast<size_t>(labelled_a)].name, std::string("A"));
    QCOMPARE(d->keyboard().keys[static_cast<size_t>(KeyOfUsage(*d, kUsageUsA))].name, std::string("Q"));
    d->Prepare(Request(ButtonAssignment::MouseButtons(1)));
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyboard).center());
    Click(d.get(), d->KeyRect(KeyOfModifier(*d, 0x01)).center());
    Click(d.get(), d->KeyRect(labelled_a).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Keyboard(0x01, kUsageUsQ));
    QCOMPARE(d->Description(), QStringLiteral("Ctrl + A"));
    QCOMPARE(d->PresetCaption(0), QStringLiteral("Ctrl + C"));
    QCOMPARE(d->PresetCaption(3), QStringLiteral("Ctrl + W"));
  }

  void cataloguePagesHideTypesAndShowSliders() {
    auto d = MakeDialog();
    ButtonSetRequest r = Request(ButtonAssignment::MouseButtons(1));
    d->Prepare(r);
    d->show();
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageMouse));
    const int fire = EntryOfType(*d, function_type::kFireButton), rapid = EntryOfType(*d, function_type::kRapidFire);
    QVERIFY(!d->EntryRect(fire).isEmpty());
    QVERIFY(!d->EntryRect(rapid).isEmpty());

    // Fire button: one interval slider of at most 250; moving it writes parameter 2.
    Click(d.get(), d->EntryRect(fire).center());
    QCOMPARE(d->Assignment().type, static_cast<uint8_t>(function_type::kFireButton));
    QVERIFY(d->SlidersShown());
    QCOMPARE(d->SliderCount(), 1);
    QCOMPARE(d->SliderMaximum(0), 250);
    Click(d.get(), QPoint(d->SliderTrack(0).right(), d->SliderTrack(0).center().y()));
    QCOMPARE(d->Assignment().p2, static_cast<uint8_t>(250));
    Click(d.get(), d->SliderArrowRect(0, false).center());
    QCOMPARE(d->Assignment().p2, static_cast<uint8_t>(249));
    // Esc closes the slider panel first, then cancels.
    QTest::keyClick(d.get(), Qt::Key_Escape);
    QVERIFY(!d->SlidersShown());
    QVERIFY(d->isVisible());

    // DPI firekey on the advanced page: X and Y sliders up to the model's maximum.
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageAdvanced).center());
    int firekey = -1;
    for (size_t i = 0; i < d->catalogue().size(); ++i) {
      const _FITEM_& e = d->catalogue()[i];
      if (e.type == function_type::kDpiFirekey && e.p1 == 8 && e.p2 == 8) firekey = static_cast<int>(i);
    }
    Click(d.get(), d->EntryRect(firekey).center());
    QCOMPARE(d->SliderCount(), 2);
    QCOMPARE(d->SliderMaximum(0), 200);
    Click(d.get(), QPoint(d->SliderTrack(1).x(), d->SliderTrack(1).center().y()));
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(15, 8, 1, 0));

    // With the hidden-type list the fire entries are neither drawn nor clickable.
    r.hidden_types.assign(HiddenTypeList().begin(), HiddenTypeList().end());
    d->Prepare(r);
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageMouse));
    QVERIFY(d->EntryRect(fire).isEmpty());
    QVERIFY(d->EntryRect(rapid).isEmpty());
    QVERIFY(!d->EntryRect(EntryOfType(*d, function_type::kMouse)).isEmpty());
  }

  void keyCycleHoldsAtMostFiveKeys() {
    auto d = MakeDialog();
    std::array<uint8_t, kExtensionSize> block{};
    ButtonSetRequest r = Request(ButtonAssignment::MouseButtons(1));
    r.profile = 2;
    r.key_cycle_address = halvric::test::KeyCycleRecord(11, 2);
    r.key_cycle = &block;
    d->Prepare(r);
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyCycle).center());
    const Qt::Key keys[] = {Qt::Key_A, Qt::Key_B, Qt::Key_C, Qt::Key_D, Qt::Key_E, Qt::Key_F};
    for (int i = 0; i < 6; ++i) {
      Click(d.get(), d->CycleAddRect().center());
      if (i == 5) {
        QVERIFY(!d->CapturingCycleKey());
        break;
      }
      QVERIFY(d->CapturingCycleKey());
      if (i == 1) QTest::keyPress(d.get(), Qt::Key_Control);  // a modifier joins the next key
      QTest::keyClick(d.get(), keys[i]);
      QVERIFY(!d->CapturingCycleKey());
    }
    QCOMPARE(block[0], uint8_t{5});
    QCOMPARE(block[2], uint8_t{0x04});
    QCOMPARE(block[3], uint8_t{0x01});  // Ctrl
    QCOMPARE(block[4], uint8_t{0x05});
    QCOMPARE(block[10], uint8_t{0x08});
    // The first key chose the positive cycle at the profile's block address.
    QCOMPARE(d->Assignment(), ButtonAssignment::KeyCycle(29, static_cast<int>(halvric::test::KeyCycleRecord(11, 2))));
    Click(d.get(), d->CycleTypeRect(1).center());
    QCOMPARE(d->Assignment().type, uint8_t{30});
    Click(d.get(), d->ConfirmRect().center());
    QCOMPARE(d->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(block[0], uint8_t{5});

    // Clearing and then cancelling restores the block as it was at opening.
    r.current = d->Assignment();
    d->Prepare(r);
    d->show();
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageKeyCycle));
    Click(d.get(), d->CycleClearRect().center());
    QCOMPARE(block[0], uint8_t{0});
    Click(d.get(), d->CancelRect().center());
    QCOMPARE(block[0], uint8_t{5});

    // A block edited while another type is chosen is not kept.
    d->Prepare(r);
    d->show();
    Click(d.get(), d->CycleClearRect().center());
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageMouse).center());
    Click(d.get(), d->EntryRect(EntryOfType(*d, function_type::kMouse)).center());
    Click(d.get(), d->ConfirmRect().center());
    QCOMPARE(block[0], uint8_t{5});

    // Default ends with type 0.
    d->Prepare(r);
    d->show();
    Click(d.get(), d->DefaultRect().center());
    QCOMPARE(d->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(d->Assignment(), ButtonAssignment::Default());
  }

  void clicksEndAKeyCycleCaptureAndStillAct() {
    auto d = MakeDialog();
    std::array<uint8_t, kExtensionSize> block{};
    block[0] = 1;
    block[2] = 0x04;
    ButtonSetRequest r = Request(ButtonAssignment::MouseButtons(1));
    r.key_cycle_address = halvric::test::KeyCycleRecord(11, 0);
    r.key_cycle = &block;
    // Cancel while a key is awaited: the dialog closes and the block is as it was.
    d->Prepare(r);
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyCycle).center());
    Click(d.get(), d->CycleAddRect().center());
    QVERIFY(d->CapturingCycleKey());
    QTest::keyPress(d.get(), Qt::Key_Shift);  // a modifier alone leaves the capture open
    QVERIFY(d->CapturingCycleKey());
    Click(d.get(), d->CancelRect().center());
    QVERIFY(!d->CapturingCycleKey());
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), static_cast<int>(QDialog::Rejected));
    QCOMPARE(block[0], uint8_t{1});
    QCOMPARE(block[3], uint8_t{0});
    // OK while a key is awaited: the abandoned slot is not counted, the dialog confirms.
    d->Prepare(r);
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyCycle).center());
    Click(d.get(), d->CycleAddRect().center());
    QVERIFY(d->CapturingCycleKey());
    Click(d.get(), d->ConfirmRect().center());
    QVERIFY(!d->isVisible());
    QCOMPARE(d->result(), static_cast<int>(QDialog::Accepted));
    QCOMPARE(block[0], uint8_t{1});
    // Another page's tab while a key is awaited: the page changes.
    d->Prepare(r);
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyCycle).center());
    Click(d.get(), d->CycleAddRect().center());
    QVERIFY(d->CapturingCycleKey());
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageKeyboard).center());
    QVERIFY(!d->CapturingCycleKey());
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageKeyboard));
    d->hide();
  }

  void opensOverItsOwnerAndNoTallerThanIt() {
    QWidget owner(nullptr, Qt::Window | Qt::FramelessWindowHint);
    owner.setFixedSize(1024, 600);
    owner.move(140, 90);
    owner.show();
    QVERIFY(QTest::qWaitForWindowExposed(&owner));
    auto keys = std::make_shared<const KeyLabels>(ProgramScanTable(), nullptr);
    CButtonSetDlg d(fonts_, texts_, keys, LoadProgramScreenKeyboard(texts_, *keys), &owner);
    QRect seen;
    QTimer::singleShot(200, &d, [&d, &seen] {
      seen = d.frameGeometry();
      Click(&d, d.CancelRect().center());
    });
    QCOMPARE(d.Open(Request(ButtonAssignment::MouseButtons(2))), 0);
    QCOMPARE(seen.topLeft(), owner.frameGeometry().topLeft());
    QVERIFY2(seen.height() <= owner.frameGeometry().height(), qPrintable(QString::number(seen.height())));
  }

  void macroPageOpensGroupsSelectsAndScrolls() {
    MacroList list;
    _MACRO_LIST_ITEM_ group;
    group.type = kEntryFolder;
    group.name = "Built-in functions";
    list.push_back(group);
    for (int i = 0; i < 40; ++i) {
      _MACRO_LIST_ITEM_ e;
      e.name = "Entry " + std::to_string(i);
      e.type = 10;
      e.op1 = i;
      e.op3 = 255;
      e.depth = 1;
      list.push_back(e);
    }
    _MACRO_LIST_ITEM_ mouse_group = group;
    mouse_group.name = "User Macro (Mouse memory)";
    list.push_back(mouse_group);
    _MACRO_LIST_ITEM_ m;
    m.name = "Combo";
    m.type = 9;
    m.op1 = 0x34;
    m.op2 = 0x12;
    m.depth = 1;
    m.inMouse = 1;
    list.push_back(m);

    auto d = MakeDialog();
    ButtonSetRequest r = Request(ButtonAssignment::MouseButtons(1));
    r.macros = &list;
    d->Prepare(r);
    d->show();
    Click(d.get(), d->PageTabRect(CButtonSetDlg::kPageMacro).center());
    QCOMPARE(d->VisibleMacroRows(), 2);  // two closed groups
    Click(d.get(), d->MacroRowRect(0).center());
    QCOMPARE(d->VisibleMacroRows(), 42);
    Click(d.get(), d->MacroRowRect(d->MacroRowOf("Entry 2")).center());
    QCOMPARE(d->Assignment(), ButtonAssignment::Make(10, 2, 0, 255));
    QCOMPARE(d->MacroName(), std::string("Entry 2"));

    // Fast wheel turning accelerates up to a factor of 6 and moves the selection with the view.
    for (int i = 0; i < 12; ++i) {
      QWheelEvent e(QPointF(100, 200), d->mapToGlobal(QPointF(100, 200)), QPoint(), QPoint(0, -120), Qt::NoButton,
                    Qt::NoModifier, Qt::NoScrollPhase, false);
      QCoreApplication::sendEvent(d.get(), &e);
    }
    QVERIFY(d->MacroSelectedRow() > 14);
    QVERIFY(d->MacroScrollTarget() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(d->MacroScroll(), d->MacroScrollTarget(), 3000);

    // Reopening on a mouse macro selects its row (its group opens).
    d->Prepare([&] {
      ButtonSetRequest r2 = r;
      r2.current = ButtonAssignment::Make(9, 0x34, 0x12, 0);
      return r2;
    }());
    QCOMPARE(d->page(), static_cast<int>(CButtonSetDlg::kPageMacro));
    QCOMPARE(d->MacroName(), std::string("Combo"));
    QVERIFY(d->MacroSelectedRow() >= 0);
  }

  void scrollingRules() {
    WheelAccelerator w(6.0);
    QCOMPARE(w.Rows(-30, 0), 1);  // a small delta counts as one notch
    int64_t t = 0;
    for (int i = 0; i < 20; ++i) w.Rows(-120, t += 20);
    QVERIFY(w.factor() >= 6.0 && w.factor() < 6.0 * 1.4);
    QCOMPARE(w.Rows(120, t + 61), -1);  // a pause resets the factor
    QCOMPARE(SmoothScrollStep(3, false), 1);
    QCOMPARE(SmoothScrollStep(8, true), 4);
    QCOMPARE(SmoothScrollStep(-16, false), -4);
    QCOMPARE(SmoothScrollStep(20, true), 16);
    QCOMPARE(SmoothScrollStep(100, false), 25);
    QCOMPARE(AutoRepeatDelayMs(0), 500);
    QCOMPARE(AutoRepeatDelayMs(5), 128);
    QCOMPARE(AutoRepeatDelayMs(20), 64);
    QCOMPARE(AutoRepeatDelayMs(81), 8);
  }
};

QTEST_MAIN(ButtonSetDlgTest)
#include "button_set_dlg_test.moc"
