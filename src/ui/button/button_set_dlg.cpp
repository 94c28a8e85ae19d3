#include "ui/button/button_set_dlg.h"

#include <QGuiApplication>
#include <QTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <algorithm>

#include "config/describe_assignment.h"
#include "config/key_labels.h"
#include "config/text_tables.h"
#include "config/usage_to_scan_table.h"
#include "macro/macro_file.h"
#include "ui/kit/key_capture.h"

namespace halvric {
namespace {

constexpr int kCatalogueColumns = 3;
constexpr int kEntryWidth = 318;
constexpr int kEntryHeight = 34;
constexpr int kEntryStepY = 40;
constexpr int kHighlightTicks = 10;

// Ready-made key combinations of the keyboard page: modifier mask and usage. Their captions are
// their descriptions, so that they name the keys of the user's layout (on an AZERTY keyboard the
// usage of "Ctrl + Z" on a US keyboard is "Ctrl + W").
struct Preset {
  int modifiers;
  int usage;
};
constexpr Preset kPresets[] = {
    {0x01, 0x06}, {0x01, 0x19}, {0x01, 0x1B}, {0x01, 0x1D}, {0x04, 0x2B}, {0x04, 0x3D}, {0x08, 0x07},
};

bool IsKeyCycleType(int type) {
  return type >= function_type::kKeyCyclePositive && type <= function_type::kKeyCycleCurrent;
}

}  // namespace

CButtonSetDlg::CButtonSetDlg(const AppFonts& fonts, const TextTables& texts, std::shared_ptr<const KeyLabels> keys,
                             ScreenKeyboard keyboard, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint),
      fonts_(fonts),
      texts_(texts),
      keys_(keys ? std::move(keys) : std::make_shared<const KeyLabels>()),
      keyboard_(std::move(keyboard)) {
  clock_.start();
  setModal(true);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setWindowTitle(T(static_cast<int>(TextFamily::button_str), 0));
  // The size of the main window it opens over; the hint has its place inside, so the dialog
  // never reaches past the window it belongs to.
  setFixedSize(kWidth, kHeight);
  timer1_.setSingleShot(true);
  connect(&timer1_, &QTimer::timeout, this, [this] {
    if (!isVisible()) {
      timer1_.start(20);
      return;
    }
    update();
  });
  connect(&timer2_, &QTimer::timeout, this, &CButtonSetDlg::OnTimer2);
  timer3_.setSingleShot(true);
  connect(&timer3_, &QTimer::timeout, this, &CButtonSetDlg::OnTimer3);
  connect(&timer4_, &QTimer::timeout, this, &CButtonSetDlg::OnTimer4);
  connect(&timer6_, &QTimer::timeout, this, &CButtonSetDlg::OnTimer6);
}

QString CButtonSetDlg::T(int family, int index) const {
  return QString::fromStdString(texts_.Get(static_cast<TextFamily>(family), index));
}

// ---------------------------------------------------------------------------------------------
// Opening

void CButtonSetDlg::Prepare(const ButtonSetRequest& request) {
  request_ = request;
  cycle_edited_ = false;
  cycle_capture_ = false;
  if (request_.key_cycle != nullptr) cycle_at_open_ = *request_.key_cycle;
  assignment_ = request.current;
  macro_name_.clear();
  macro_file_path_.clear();
  sliders_shown_ = false;
  slider_count_ = 0;
  hint_.clear();
  hint_alpha_ = 0;

  // 1. The catalogue and the two sliders (X and Y in the model's DPI unit, 10 and 20 at first).
  catalogue_ = BuildFunctionCatalogue(texts_, request.type_code, request.protocol_level, request.gamepad);
  sliders_[0] = {QStringLiteral("X"), 10, 1, std::max(1, request.max_dpi), request.dpi_unit};
  sliders_[1] = {QStringLiteral("Y"), 20, 1, std::max(1, request.max_dpi), request.dpi_unit};
  // 2. A DPI firekey keeps its resolutions.
  if (assignment_.type == function_type::kDpiFirekey) {
    sliders_[0].value = assignment_.p1;
    sliders_[1].value = assignment_.p2;
  }
  for (ScreenKey& k : keyboard_.keys) k.selected = 0;

  // 4. The first page follows the current type.
  macros_ = request.macros;
  macro_scroll_ = macro_scroll_target_ = 0;
  macro_selected_ = -1;
  RebuildMacroRows();
  selected_entry_ = -1;
  const int type = assignment_.type;
  if (type == function_type::kKeyboard || type == function_type::kMultimedia) {
    page_ = kPageKeyboard;
    MarkKeyboard(assignment_);  // 5.
  } else if (IsKeyCycleType(type)) {
    page_ = kPageKeyCycle;
  } else if (type >= function_type::kMacro && type <= function_type::kMacroFire) {
    page_ = kPageMacro;
    if (macros_ != nullptr) {
      // Open the group holding the macro, then select and scroll to its row.
      for (size_t i = 0; i < macros_->size(); ++i) {
        const _MACRO_LIST_ITEM_& e = (*macros_)[i];
        if (e.IsFolder() || e.op1 != assignment_.p1 || e.op2 != assignment_.p2 || e.op3 != assignment_.p3) continue;
        for (size_t g = i; g-- > 0;) {
          if ((*macros_)[g].IsFolder()) {
            group_open_[(*macros_)[g].name] = true;
            break;
          }
        }
        RebuildMacroRows();
        for (size_t r = 0; r < rows_.size(); ++r) {
          if (rows_[r].entry == static_cast<int>(i)) {
            macro_selected_ = static_cast<int>(r);
            macro_name_ = e.name;
            macro_scroll_ = macro_scroll_target_ = std::max(0, static_cast<int>(r) - 3) * kMacroRowHeight;
          }
        }
        break;
      }
    }
  } else {
    selected_entry_ = PreselectedCatalogueEntry(catalogue_, assignment_);
    page_ = selected_entry_ >= 0 && catalogue_[static_cast<size_t>(selected_entry_)].category == kCataloguePageAdvanced
                ? kPageAdvanced
                : kPageMouse;
    if (selected_entry_ >= 0) {
      const int t = catalogue_[static_cast<size_t>(selected_entry_)].type;
      if (t == function_type::kDpiFirekey || t == function_type::kFireButton || t == function_type::kRapidFire) {
        OpenSliders();
      }
    }
  }
  Recompute();
  update();
}

int CButtonSetDlg::Open(const ButtonSetRequest& request) {
  Prepare(request);
  // Over the window that opened it, covering it exactly.
  if (QWidget* owner = parentWidget(); owner != nullptr) move(owner->window()->frameGeometry().topLeft());
  timer1_.start(20);
  timer2_.start(16);
  const int r = exec();
  timer2_.stop();
  timer3_.stop();
  timer4_.stop();
  timer6_.stop();
  if (cycle_capture_) releaseKeyboard();
  cycle_capture_ = false;
  return r == QDialog::Accepted ? 1 : 0;
}

void CButtonSetDlg::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!timer2_.isActive()) timer2_.start(16);
  if (!timer1_.isActive()) timer1_.start(20);
  activateWindow();
  setFocus();
}

void CButtonSetDlg::Recompute() {
  description_ = QString::fromStdString(Describe(assignment_));
  update();
}

void CButtonSetDlg::ShowPage(int page) {
  page_ = page;
  sliders_shown_ = false;
  if (page == kPageMouse || page == kPageAdvanced) {
    if (selected_entry_ >= 0 && catalogue_[static_cast<size_t>(selected_entry_)].category ==
                                    (page == kPageMouse ? kCataloguePageMouse : kCataloguePageAdvanced)) {
      const int t = catalogue_[static_cast<size_t>(selected_entry_)].type;
      if (t == function_type::kDpiFirekey || t == function_type::kFireButton || t == function_type::kRapidFire) {
        OpenSliders();
      }
    }
  }
  update();
}

// ---------------------------------------------------------------------------------------------
// Geometry

QRect CButtonSetDlg::PageTabRect(int page) const { return {20 + page * 160, 48, 150, 38}; }

QRect CButtonSetDlg::EntryRect(int index) const {
  if (index < 0 || index >= static_cast<int>(catalogue_.size())) return {};
  const _FITEM_& e = catalogue_[static_cast<size_t>(index)];
  const int page = page_ == kPageMouse ? kCataloguePageMouse : page_ == kPageAdvanced ? kCataloguePageAdvanced : -1;
  if (e.category != page || !IsCatalogueEntryShown(e, request_.type_code, request_.hidden_types)) return {};
  int n = 0;
  for (int i = 0; i < index; ++i) {
    const _FITEM_& o = catalogue_[static_cast<size_t>(i)];
    if (o.category == page && IsCatalogueEntryShown(o, request_.type_code, request_.hidden_types)) ++n;
  }
  return {20 + (n % kCatalogueColumns) * (kEntryWidth + 12), kContentTop + (n / kCatalogueColumns) * kEntryStepY,
          kEntryWidth, kEntryHeight};
}

QRect CButtonSetDlg::KeyRect(int key) const {
  if (key < 0 || key >= static_cast<int>(keyboard_.keys.size())) return {};
  const auto& h = keyboard_.keys[static_cast<size_t>(key)].hit;
  return QRect(QPoint(h[0], h[1]), QPoint(h[2] - 1, h[3] - 1));
}

int CButtonSetDlg::PresetCount() const { return static_cast<int>(std::size(kPresets)); }
QString CButtonSetDlg::PresetCaption(int preset) const {
  if (preset < 0 || preset >= PresetCount()) return {};
  const Preset& p = kPresets[preset];
  return QString::fromStdString(Describe(ButtonAssignment::Keyboard(p.modifiers, p.usage)));
}

std::string CButtonSetDlg::Describe(const ButtonAssignment& a) const {
  std::string text = DescribeAssignment(texts_, *keys_, a, request_.dpi_unit);
  // A macro chosen on the macro page is shown with its name, as the main window shows it.
  if (a.type >= function_type::kMacro && a.type <= function_type::kMacroFire && a.p3 == 0) text += macro_name_;
  return text;
}
QRect CButtonSetDlg::PresetRect(int preset) const { return {20 + preset * 124, 470, 116, 34}; }

QRect CButtonSetDlg::SliderTrack(int i) const { return {160, 486 + i * 34, 560, 12}; }
QRect CButtonSetDlg::SliderArrowRect(int i, bool up) const {
  const QRect t = SliderTrack(i);
  return up ? QRect(t.right() + 14, t.center().y() - 12, 24, 24) : QRect(t.x() - 38, t.center().y() - 12, 24, 24);
}

QRect CButtonSetDlg::CycleTypeRect(int n) const { return {40 + n * 200, 130, 186, 38}; }
QRect CButtonSetDlg::CycleAddRect() const { return {40, 360, 300, 38}; }
QRect CButtonSetDlg::CycleClearRect() const { return {356, 360, 140, 38}; }

QRect CButtonSetDlg::DefaultRect() const { return {604, 552, 120, 36}; }
QRect CButtonSetDlg::CancelRect() const { return {736, 552, 120, 36}; }
QRect CButtonSetDlg::ConfirmRect() const { return {868, 552, 136, 36}; }

// ---------------------------------------------------------------------------------------------
// Catalogue pages and sliders

void CButtonSetDlg::ChooseEntry(int index) {
  _FITEM_& e = catalogue_[static_cast<size_t>(index)];
  selected_entry_ = index;
  assignment_ = e.Assignment();
  macro_name_.clear();
  e.highlight = 1.0f;
  timer4_.start(40);
  sliders_shown_ = false;
  if (e.type == function_type::kDpiFirekey && e.p1 != 255 && e.p2 != 255) {
    sliders_[0].value = e.p1;
    sliders_[1].value = e.p2;
    OpenSliders();
  } else if (e.type == function_type::kFireButton || e.type == function_type::kRapidFire) {
    OpenSliders();
  }
  Recompute();
}

void CButtonSetDlg::OpenSliders() {
  const int type = assignment_.type;
  if (type == function_type::kDpiFirekey || type == function_type::kDpiHotkey) {
    if (assignment_.p1 == 255 || assignment_.p2 == 255) return;  // the axis locks have no sliders
    slider_count_ = 2;
    sliders_[0] = {QStringLiteral("X"), std::max<int>(1, assignment_.p1), 1, std::max(1, request_.max_dpi), request_.dpi_unit};
    sliders_[1] = {QStringLiteral("Y"), std::max<int>(1, assignment_.p2), 1, std::max(1, request_.max_dpi), request_.dpi_unit};
  } else if (type == function_type::kFireButton || type == function_type::kRapidFire) {
    slider_count_ = 1;
    const bool fire = type == function_type::kFireButton;
    sliders_[0] = {T(static_cast<int>(TextFamily::msg_str), 61), std::max<int>(1, assignment_.p2), 1, fire ? 250 : 255,
                   fire ? 10 : 1};
  } else {
    return;
  }
  sliders_shown_ = true;
  update();
}

void CButtonSetDlg::WriteSlidersBack() {
  const int type = assignment_.type;
  if (type == function_type::kDpiFirekey || type == function_type::kDpiHotkey) {
    assignment_.p1 = static_cast<uint8_t>(sliders_[0].value);
    assignment_.p2 = static_cast<uint8_t>(sliders_[1].value);
  } else if (type == function_type::kFireButton || type == function_type::kRapidFire) {
    assignment_.p2 = static_cast<uint8_t>(sliders_[0].value);
  }
  Recompute();
}

void CButtonSetDlg::SetSliderFromPoint(int i, const QPoint& pos) {
  SliderState& s = sliders_[static_cast<size_t>(i)];
  const QRect t = SliderTrack(i);
  const double f = std::clamp((pos.x() - t.x()) / static_cast<double>(t.width()), 0.0, 1.0);
  s.value = std::clamp(s.minimum + static_cast<int>(f * (s.maximum - s.minimum) + 0.5), s.minimum, s.maximum);
  WriteSlidersBack();
}

void CButtonSetDlg::StepSlider(int i, bool up) {
  SliderState& s = sliders_[static_cast<size_t>(i)];
  s.value = std::clamp(s.value + (up ? 1 : -1), s.minimum, s.maximum);
  WriteSlidersBack();
}

void CButtonSetDlg::OnTimer3() {
  // A held arrow button repeats, faster the longer it is held.
  if (repeat_slider_ < 0) return;
  StepSlider(repeat_slider_, repeat_up_);
  repeat_count_ = std::min(repeat_count_ + 1, kAutoRepeatCountLimit);
  timer3_.start(AutoRepeatDelayMs(repeat_count_));
}

void CButtonSetDlg::OnTimer4() {
  bool any = false;
  for (_FITEM_& e : catalogue_) {
    if (e.highlight > 0) {
      e.highlight = std::max(0.0f, e.highlight - 1.0f / kHighlightTicks);
      any = any || e.highlight > 0;
    }
  }
  if (!any) timer4_.stop();
  update();
}

// ---------------------------------------------------------------------------------------------
// Keyboard page

void CButtonSetDlg::MarkKeyboard(const ButtonAssignment& a) {
  for (ScreenKey& k : keyboard_.keys) {
    if (a.type == function_type::kKeyboard) {
      k.selected = (k.consumer_usage == 0 && k.modifier == 0 && k.usage != 0 && k.usage == a.p2) ||
                   (k.modifier != 0 && (a.p1 & k.modifier) != 0);
    } else if (a.type == function_type::kMultimedia) {
      k.selected = k.consumer_usage != 0 && k.consumer_usage == a.Word();
    } else {
      k.selected = 0;
    }
  }
}

void CButtonSetDlg::ClickKey(int index) {
  ScreenKey& key = keyboard_.keys[static_cast<size_t>(index)];
  macro_name_.clear();
  if (key.consumer_usage != 0) {
    // A media key stands alone.
    for (ScreenKey& k : keyboard_.keys) k.selected = 0;
    key.selected = 1;
    assignment_ = ButtonAssignment::Consumer(key.consumer_usage);
    Recompute();
    return;
  }
  key.selected = key.selected ? 0 : 1;
  if (key.selected) {
    for (ScreenKey& k : keyboard_.keys) {
      if (&k == &key) continue;
      if (k.consumer_usage != 0) k.selected = 0;                 // media keys leave
      else if (key.modifier == 0 && k.modifier == 0) k.selected = 0;  // one main key at most
    }
  }
  int modifiers = 0, usage = 0;
  for (const ScreenKey& k : keyboard_.keys) {
    if (!k.selected) continue;
    if (k.modifier != 0) modifiers |= k.modifier;
    else if (k.consumer_usage == 0) usage = k.usage != 0 ? k.usage : keys_->scan_table().UsageForScanCode(k.scan_code);
  }
  assignment_ = ButtonAssignment::Keyboard(modifiers, usage);
  Recompute();
}

void CButtonSetDlg::ChoosePreset(int preset) {
  const Preset& p = kPresets[preset];
  assignment_ = ButtonAssignment::Keyboard(p.modifiers, p.usage);
  macro_name_.clear();
  MarkKeyboard(assignment_);
  Recompute();
}

// ---------------------------------------------------------------------------------------------
// Key cycle page

int CButtonSetDlg::KeyCycleAddress() const {
  return static_cast<int>(request_.key_cycle_address);
}

void CButtonSetDlg::SetCycleType(int n) {
  assignment_ = ButtonAssignment::KeyCycle(function_type::kKeyCyclePositive + n, KeyCycleAddress());
  macro_name_.clear();
  Recompute();
}

void CButtonSetDlg::StartCycleCapture() {
  if (request_.key_cycle == nullptr) return;
  // The block holds at most five keys.
  if ((*request_.key_cycle)[0] >= kMaxCycleKeys) {
    SetHint(QStringLiteral("%1 %2").arg(T(static_cast<int>(TextFamily::msg_str), 40)).arg(kMaxCycleKeys));
    return;
  }
  const int slot = (*request_.key_cycle)[0];
  (*request_.key_cycle)[static_cast<size_t>(1 + 2 * slot)] = 0;
  (*request_.key_cycle)[static_cast<size_t>(2 + 2 * slot)] = 0;
  cycle_capture_ = true;
  grabKeyboard();
  update();
}

void CButtonSetDlg::EndCycleCapture() {
  if (!cycle_capture_) return;
  // The awaited slot was never counted; its modifier bits go with it.
  if (request_.key_cycle != nullptr) {
    const int slot = (*request_.key_cycle)[0];
    if (slot < kMaxCycleKeys) (*request_.key_cycle)[static_cast<size_t>(1 + 2 * slot)] = 0;
  }
  cycle_capture_ = false;
  releaseKeyboard();
  update();
}

void CButtonSetDlg::CycleKey(int scan_code) {
  auto& block = *request_.key_cycle;
  const int slot = block[0];
  if (const int bit = ModifierBitOfScanCode(scan_code); bit != 0) {
    block[static_cast<size_t>(1 + 2 * slot)] |= static_cast<uint8_t>(bit);
    cycle_edited_ = true;
    update();
    return;
  }
  const int usage = keys_->scan_table().UsageForScanCode(scan_code);
  if (usage == 0) return;
  // The key counts only once it is complete, so that an abandoned capture leaves no empty slot.
  block[static_cast<size_t>(2 + 2 * slot)] = static_cast<uint8_t>(usage);
  block[0] = static_cast<uint8_t>(slot + 1);
  cycle_edited_ = true;
  cycle_capture_ = false;
  releaseKeyboard();
  if (!IsKeyCycleType(assignment_.type)) SetCycleType(0);
  update();
}

// ---------------------------------------------------------------------------------------------
// Ending

void CButtonSetDlg::Confirm() {
  if (request_.key_cycle != nullptr && !(IsKeyCycleType(assignment_.type) && cycle_edited_)) {
    *request_.key_cycle = cycle_at_open_;
  }
  done(QDialog::Accepted);
}

void CButtonSetDlg::Cancel() {
  if (request_.key_cycle != nullptr) *request_.key_cycle = cycle_at_open_;
  done(QDialog::Rejected);
}

void CButtonSetDlg::SetDefault() {
  assignment_ = ButtonAssignment::Default();
  macro_name_.clear();
  Recompute();
  if (request_.key_cycle != nullptr) *request_.key_cycle = cycle_at_open_;
  done(QDialog::Accepted);
}

void CButtonSetDlg::reject() {
  // Esc or close: the slider panel goes first.
  if (sliders_shown_) {
    sliders_shown_ = false;
    update();
    return;
  }
  Cancel();
}

void CButtonSetDlg::CloseRequest() {
  if (!isVisible()) return;
  if (cycle_capture_) releaseKeyboard();
  cycle_capture_ = false;
  sliders_shown_ = false;
  Cancel();
}

// ---------------------------------------------------------------------------------------------
// Hint fade

void CButtonSetDlg::SetHint(const QString& text) {
  if (text == hint_ && hint_alpha_ > 0) return;
  hint_ = text;
  hint_rising_ = true;
  hint_hold_ = 40;
  timer6_.start(30);
}

void CButtonSetDlg::OnTimer6() {
  if (hint_rising_) {
    hint_alpha_ = std::min(255, hint_alpha_ + 40);
    if (hint_alpha_ == 255) hint_rising_ = false;
  } else if (hint_hold_ > 0) {
    --hint_hold_;
  } else {
    hint_alpha_ = std::max(0, hint_alpha_ - 40);
    if (hint_alpha_ == 0) timer6_.stop();
  }
  update(HintRect());
}

}  // namespace halvric
