#pragma once
// The on-screen display: a frameless, top-most, click-through window that never takes the focus,
// showing the profile, the DPI values and the angle-snapping state for a moment after the mouse
// reports a change. It fades by painting with the display state's alpha. Its passes run on the
// report service's display thread, which runs only while something shows or fades, so a hidden
// display costs nothing; the window only draws, shows and hides as each pass says.
//
// Without a compositing manager (a bare X server) translucent pixels show black: the display is
// then cut to the shape of its rounded panels and drawn opaque, appearing and vanishing without
// the fade.

#include <QRegion>
#include <QWidget>
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "services/osd_state.h"
#include "services/report_service.h"

namespace halvric {

class AppFonts;
class TextTables;

// What the display shows beside the report's values.
struct OsdModel {
  std::array<std::string, 6> profile_names;
  std::array<std::array<uint8_t, 3>, 6> profile_colours{};
  bool two_bit_colours = false;  // model index 0: components are levels 0-3
  int dpi_step = 50;
  int max_raw_dpi = 255;
  std::array<bool, 4> level_options{};  // X held at or above Y, per level (index level % 4)
};

class CDispDlg : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kWidth = 320;
  static constexpr int kHeight = 300;

  CDispDlg(const ReportService& reports, const AppFonts& fonts, const TextTables& texts, QWidget* parent = nullptr);

  void SetModel(const OsdModel& model);
  // Whether the desktop blends translucent windows now (asked at each show); null: it does.
  void SetTranslucencyCheck(std::function<bool()> check) { translucency_ = std::move(check); }
  // Drawn opaque and cut to its panels (no compositor at the last show).
  bool Opaque() const { return opaque_; }
  // The rounded panels the current view draws, top to bottom.
  std::vector<QRectF> Panels() const;
  bool PassesRunning() const { return reports_.DisplayRunning(); }
  const OsdView& ShownView() const { return view_; }
  // Carries out one pass of the display thread (on the window's thread).
  void Present(const OsdPass& pass);

 signals:
  // The display has just hidden itself: the main window redraws in full.
  void faded();

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  const ReportService& reports_;
  const AppFonts& fonts_;
  const TextTables& texts_;
  void UpdateShape();

  OsdModel model_;
  OsdView view_;
  std::function<bool()> translucency_;
  bool opaque_ = false;
};

}  // namespace halvric
