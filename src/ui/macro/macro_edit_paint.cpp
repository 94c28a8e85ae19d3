// Drawing of the macro editor: the macro list panel (PC library tree and mouse memory), the
// instruction list, the commands, the recording options, the status line and transfer progress.

#include "ui/macro/macro_edit.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>

#include "config/text_tables.h"
#include "config/working_copy.h"
#include "macro/macro_library.h"
#include "macro/macro_space.h"
#include "ui/kit/app_fonts.h"
#include "ui/kit/ui_palette.h"
#include "ui/kit/ui_text.h"

namespace halvric {

void MacroEdit::paintEvent(QPaintEvent*) {
  const AppFonts& f = *deps_.fonts;
  QPainter p(this);
  ui::DrawWindowFrame(p, rect());

  p.setFont(f[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(QRect(16, 10, 400, 30), Qt::AlignLeft | Qt::AlignVCenter, windowTitle());
  if (!status_.isEmpty()) {
    p.setFont(f[kFont14]);
    p.setPen(recorder_.recording() ? ui::kWarn : ui::kTextDim);
    p.drawText(QRect(410, 10, 600, 30), Qt::AlignLeft | Qt::AlignVCenter, status_);
  }

  // Left panel.
  const QRect panel = PanelArea();
  p.setFont(f[kFont12]);
  p.setPen(ui::kAccent);
  p.drawText(QRect(16, 60, 380, 26), Qt::AlignLeft | Qt::AlignVCenter, T(static_cast<int>(TextFamily::msg_str), 1));
  p.setPen(ui::kLine);
  p.setBrush(ui::kPanel);
  p.drawRoundedRect(QRectF(panel), 8, 8);
  p.save();
  p.setClipRect(panel.adjusted(2, 2, -2, -2));
  const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
  const bool mouse = wc != nullptr && wc->loaded;
  for (size_t i = 0; i < rows_.size(); ++i) {
    const QRect r = PanelRowRect(static_cast<int>(i));
    if (r.bottom() < panel.top() || r.top() > panel.bottom()) continue;
    const PanelRow& row = rows_[i];
    if (static_cast<int>(i) == selected_row_) {
      p.setPen(Qt::NoPen);
      p.setBrush(ui::kAccent2);
      p.drawRoundedRect(QRectF(r), 5, 5);
    }
    switch (row.kind) {
      case kRowPcHeader:
      case kRowMouseHeader: {
        p.setFont(f[kFont14Bold]);
        p.setPen(ui::kAccent);
        const bool pc = row.kind == kRowPcHeader;
        p.drawText(r.adjusted(6, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   T(static_cast<int>(TextFamily::msg_str), pc ? 31 : 33));
        if (!pc) {
          p.setFont(f[kFont12]);
          p.setPen(ui::kTextDim);
          const QString free = mouse ? T(static_cast<int>(TextFamily::msg_str), 9).replace(QStringLiteral("%d"), QString::number(FreeMemory(*wc)))
                                     : T(static_cast<int>(TextFamily::msg_str), 10);
          p.drawText(r.adjusted(0, 0, -8, 0), Qt::AlignRight | Qt::AlignVCenter, free);
        }
        break;
      }
      case kRowFolder:
      case kRowPcMacro: {
        const _MACRO_LIST_ITEM_& e = deps_.library->macros()[static_cast<size_t>(row.index)];
        const int indent = 14 + e.depth * 18;
        p.setFont(f[kFont12]);
        p.setPen(row.kind == kRowFolder ? ui::kTextStrong : ui::kText);
        QString caption = QString::fromStdString(e.name);
        if (row.kind == kRowFolder) {
          caption = (deps_.library->IsExpanded(e.path) ? QStringLiteral("\u25be ") : QStringLiteral("\u25b8 ")) + caption;
        }
        p.drawText(r.adjusted(indent, 0, -150, 0), Qt::AlignLeft | Qt::AlignVCenter, caption);
        if (row.kind == kRowPcMacro) {
          const QDateTime t = QDateTime::fromSecsSinceEpoch(e.time);
          const QDate d = t.date();
          const QTime tm = t.time();
          p.setFont(f[kFont10]);
          p.setPen(ui::kTextDim);
          p.drawText(r.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter,
                     QString::asprintf("%d/%02d/%02d - %02d:%02d   ", d.year(), d.month(), d.day(), tm.hour(), tm.minute()) +
                         UiText(*deps_.texts, ui_text::kBytes, {static_cast<long long>(e.size)}) + QStringLiteral(" "));
        }
        break;
      }
      case kRowMouseSlot: {
        // The mouse went (or is being read again) since the panel was built: its rows show nothing.
        if (!mouse) break;
        const MacroSlot& s = wc->macros[static_cast<size_t>(row.index)];
        p.setFont(f[kFont12]);
        p.setPen(s.start != 0 ? ui::kText : ui::kTextDim);
        p.drawText(r.adjusted(14, 0, -100, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("%1. ").arg(row.index + 1) +
                       (s.start != 0 ? QString::fromStdString(s.name) : T(static_cast<int>(TextFamily::msg_str), 34)));
        if (s.start != 0) {
          p.setFont(f[kFont10]);
          p.setPen(ui::kTextDim);
          p.drawText(r.adjusted(0, 0, -6, 0), Qt::AlignRight | Qt::AlignVCenter, UiText(*deps_.texts, ui_text::kBytes, {static_cast<long long>(s.length)}));
        }
        break;
      }
    }
  }
  p.restore();

  // Right panel: name, mode, instructions, size.
  ui::DrawButton(p, NameRect(), QString(), false, false, f[kFont14]);
  p.setFont(f[kFont14Bold]);
  p.setPen(ui::kTextStrong);
  p.drawText(NameRect().adjusted(12, 0, -8, 0), Qt::AlignLeft | Qt::AlignVCenter,
             macro_.name.empty() ? T(static_cast<int>(TextFamily::msg_str), 24) : QString::fromStdString(macro_.name) + (modified_ ? QStringLiteral(" *") : QString()));
  p.setFont(f[kFont12]);
  p.setPen(ui::kTextDim);
  p.drawText(QRect(750, 56, 260, 30), Qt::AlignRight | Qt::AlignVCenter, UiText(*deps_.texts, ui_text::kBytes, {static_cast<long long>(SizeInMouse())}));

  const QRect area = InstructionArea();
  p.setPen(ui::kLine);
  p.setBrush(ui::kPanel);
  p.drawRoundedRect(QRectF(area), 8, 8);
  p.save();
  p.setClipRect(area.adjusted(2, 2, -2, -2));
  const int n = static_cast<int>(macro_.items.size());
  const int first = std::max(0, list_scroll_ / kInstructionRowHeight);
  for (int i = first; i < n; ++i) {
    const QRect r = InstructionRowRect(i);
    if (r.top() > area.bottom()) break;
    const bool selected = sel_first_ >= 0 && i >= sel_first_ && i <= sel_last_;
    if (selected) {
      p.setPen(Qt::NoPen);
      p.setBrush(ui::kPanelHot);
      p.drawRect(r);
    }
    p.setFont(f[kFontMono11]);
    p.setPen(selected ? ui::kTextStrong : ui::kText);
    p.drawText(r.adjusted(10, 0, -60, 0), Qt::AlignLeft | Qt::AlignVCenter, RowText(i));
    if (RowIsNew(i)) {
      p.setFont(f[kFont10]);
      p.setPen(ui::kAccent);
      p.drawText(r.adjusted(0, 0, -10, 0), Qt::AlignRight | Qt::AlignVCenter, UiText(*deps_.texts, ui_text::kMacroNew));
    }
  }
  if (n == 0) {
    // An empty list says how a macro gets here.
    p.setFont(f[kFont12]);
    p.setPen(ui::kTextDim);
    p.drawText(area.adjusted(20, 0, -20, 0), Qt::AlignCenter | Qt::TextWordWrap,
               T(static_cast<int>(TextFamily::drag_tip_str), 2));
  }
  // The cursor: a line above the row where insertions go.
  const QRect cr = InstructionRowRect(cursor_);
  p.setPen(QPen(ui::kAccent, 2));
  p.drawLine(cr.topLeft() + QPoint(2, 0), cr.topRight());
  p.restore();

  // Commands.
  auto text = [this](TextFamily fam, int i) { return T(static_cast<int>(fam), i); };
  const bool rec = recorder_.recording();
  auto button = [&](Command c, const QString& caption, bool primary = false) {
    ui::DrawButton(p, CommandRect(c), caption, hot_command_ == c, false, f[kFont12], primary || CommandOn(c));
  };
  button(kCmdModeOnce, text(TextFamily::button_str, 15));
  button(kCmdModeLoop, text(TextFamily::button_str, 16));
  button(kCmdModeFire, text(TextFamily::button_str, 17));
  button(kCmdRecord, rec ? text(TextFamily::button_str, 19) : text(TextFamily::button_str, 18));
  button(kCmdCapture, QStringLiteral("\u2328"));
  button(kCmdMove, QStringLiteral("\u2725"));
  button(kCmdDelay, QStringLiteral("\u25f7"));  // a clock face: one the common sans fonts have
  button(kCmdDelete, text(TextFamily::button_str, 25));
  button(kCmdClear, text(TextFamily::button_str, 20));
  button(kCmdImport, text(TextFamily::button_str, 12));
  button(kCmdExport, text(TextFamily::button_str, 13));
  button(kCmdNew, text(TextFamily::button_str, 37));
  button(kCmdLoad, text(TextFamily::button_str, 35));
  button(kCmdSave, text(TextFamily::button_str, 36));
  button(kCmdDeleteMacro, text(TextFamily::button_str, 25));
  ui::DrawButton(p, CommandRect(kCmdNewFolder), text(TextFamily::button_str, 39), hot_command_ == kCmdNewFolder, false, f[kFont10]);
  const RecordOptions& o = recorder_.options();
  ui::DrawCheck(p, CommandRect(kCmdIntervals), text(TextFamily::button_str, 21), o.record_intervals, hot_command_ == kCmdIntervals, f[kFont12]);
  ui::DrawCheck(p, CommandRect(kCmdClickPositions), text(TextFamily::button_str, 28), o.record_click_positions,
                hot_command_ == kCmdClickPositions, f[kFont12]);
  ui::DrawCheck(p, CommandRect(kCmdTrack), text(TextFamily::button_str, 29), o.record_cursor_track, hot_command_ == kCmdTrack, f[kFont12]);
  ui::DrawCheck(p, CommandRect(kCmdTrack50), text(TextFamily::button_str, 30).replace(QStringLiteral("%d"), QStringLiteral("50")),
                o.track_interval_ms == 50, hot_command_ == kCmdTrack50, f[kFont12]);
  ui::DrawCheck(p, CommandRect(kCmdTrack200), text(TextFamily::button_str, 30).replace(QStringLiteral("%d"), QStringLiteral("200")),
                o.track_interval_ms != 50, hot_command_ == kCmdTrack200, f[kFont12]);
  ui::DrawButton(p, CommandRect(kCmdRename), text(TextFamily::button_str, 14), hot_command_ == kCmdRename, false, f[kFont12]);
  ui::DrawButton(p, CommandRect(kCmdClose), QStringLiteral("\u2715"), hot_command_ == kCmdClose, false, f[kFont14]);
  shown_tip_ = TipText();
  if (!shown_tip_.isEmpty()) {
    p.setFont(f[kFont10]);
    p.setPen(ui::kTextDim);
    p.drawText(QRect(410, 598, 376, 38), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap, shown_tip_);
  }

  // Transfer progress.
  if (busy_) {
    QColor veil = ui::kBackground;
    veil.setAlpha(170);
    p.fillRect(rect(), veil);
    const QRect bar(312, 300, 400, 14);
    p.setPen(Qt::NoPen);
    p.setBrush(ui::kPanel);
    p.drawRoundedRect(QRectF(bar), 7, 7);
    p.setBrush(ui::kAccent);
    p.drawRoundedRect(QRectF(bar.x(), bar.y(), bar.width() * std::clamp(progress_, 0.0, 1.0), bar.height()), 7, 7);
  }
}

QString MacroEdit::TipText() const {
  auto text = [this](TextFamily fam, int i) {
    QString t = T(static_cast<int>(fam), i);
    return t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  };
  const WorkingCopy* wc = deps_.mouse ? deps_.mouse() : nullptr;
  const auto slot_used = [wc](int slot) { return wc != nullptr && wc->macros[static_cast<size_t>(slot)].start != 0; };
  const int row = PanelRowAt(pointer_);
  const RowKind kind = row >= 0 ? rows_[static_cast<size_t>(row)].kind : kRowPcHeader;
  if (drag_started_) {
    switch (drag_) {
      case kDragInstruction: return PanelArea().contains(pointer_) ? text(TextFamily::drag_tip_str, 4) : QString();
      case kDragEntry: return InstructionArea().contains(pointer_) ? text(TextFamily::drag_tip_str, 2) : QString();
      case kDragMacro:
        if (row < 0) return {};
        if (kind == kRowPcHeader || kind == kRowFolder) return text(TextFamily::drag_tip_str, 0);
        if (kind == kRowMouseSlot && !slot_used(rows_[static_cast<size_t>(row)].index)) return text(TextFamily::drag_tip_str, 1);
        return text(TextFamily::msg_str, 2);
      default: return {};
    }
  }
  switch (hot_command_) {
    case kCmdRecord: return text(TextFamily::button_tip_str, recorder_.recording() ? 19 : 18);
    case kCmdCapture: return text(TextFamily::msg_str, 3);
    case kCmdMove: return text(TextFamily::msg_str, 4);
    case kCmdDelay: return text(TextFamily::msg_str, 5);
    case kCmdClear: return text(TextFamily::button_tip_str, 20);
    case kCmdImport: return text(TextFamily::button_tip_str, 12);
    case kCmdExport: return text(TextFamily::button_tip_str, 13);
    case kCmdNew: return text(TextFamily::button_tip_str, 37);
    case kCmdLoad: return text(TextFamily::button_tip_str, 35);
    case kCmdSave: {
      // Without a chosen entry, Save adds the macro to the PC list.
      const bool to_list = selected_row_ < 0 || rows_[static_cast<size_t>(selected_row_)].kind == kRowPcHeader;
      return to_list ? text(TextFamily::msg_str, 2) : text(TextFamily::button_tip_str, 36);
    }
    case kCmdDeleteMacro: return text(TextFamily::button_tip_str, 25);
    case kCmdRename: return text(TextFamily::msg_str, 23);
    case kCmdNewFolder: return text(TextFamily::button_tip_str, 39);
    default: break;
  }
  if (NameRect().contains(pointer_)) return text(TextFamily::drag_tip_str, 5);
  if (row < 0) return {};
  switch (kind) {
    case kRowPcHeader:
    case kRowFolder: return text(TextFamily::drag_tip_str, 0);
    case kRowPcMacro: return text(TextFamily::drag_tip_str, 5);
    case kRowMouseSlot:
      return slot_used(rows_[static_cast<size_t>(row)].index) ? text(TextFamily::drag_tip_str, 5) : text(TextFamily::drag_tip_str, 1);
    default: return {};
  }
}

}  // namespace halvric
