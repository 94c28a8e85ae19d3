#pragma once
// The main window's "DPI" page: the four level boxes with their enable boxes, the X/Y, report
// rate and lift-off sliders, their drawing, their hit tests and what a click or drag on them does.
// The page reads and changes the window's state through the window, whose friend it is.

#include <QPoint>
#include <QRect>
#include <vector>

#include "ui/main/halvric_dlg.h"

class QPainter;

namespace halvric {

class DpiPage {
 public:
  explicit DpiPage(CHalvricDlg& window) : w_(window) {}

  QRect LevelBoxRect(int level) const { return {220 + level * 157, 64, 147, 116}; }
  QRect LevelEnableRect(int level) const;

  // The sliders from the working copy's current level, rate and the lift-off value.
  void LayoutSliders();
  const std::vector<CHalvricDlg::Slider>& sliders() const { return sliders_; }
  int SliderIndex(CHalvricDlg::SliderKind kind) const;
  QPoint SliderPoint(CHalvricDlg::SliderKind kind, int value) const;
  int SliderValue(CHalvricDlg::SliderKind kind) const;

  // Hot items of the page, in the window's order: level enable boxes, level boxes (`HitLevels`),
  // and, after the button page's profile boxes, the sliders (`HitSliders`).
  CHalvricDlg::Hit HitLevels(const QPoint& pos) const;
  CHalvricDlg::Hit HitSliders(const QPoint& pos) const;

  void SelectLevel(int level);
  void ToggleLevelEnable(int level);
  void MoveSlider(int index, const QPoint& pos);
  // A double click on the lift-off slider: the value typed into the prompt.
  void EditLift();

  void Paint(QPainter& p);

 private:
  void SetDpiFromSlider(CHalvricDlg::SliderKind kind, int value);
  void PaintSlider(QPainter& p, int index);

  CHalvricDlg& w_;
  std::vector<CHalvricDlg::Slider> sliders_;
};

}  // namespace halvric
