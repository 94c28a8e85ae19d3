#pragma once
// The colour picker of the lighting window: a palette of preset colours, three sliders (red,
// green, blue) and the mode buttons "Breathe" / "Always ON". Every change is previewed live on the
// target zone (or every selected zone) without storing it; OK stores the colour in each target
// zone, Cancel shows every target zone as it was when the picker opened. The device work runs on
// the device session's worker; previews of a slider drag are coalesced so that the worker never
// falls behind the pointer.

#include <QDialog>
#include <QRect>
#include <QString>
#include <array>
#include <memory>

#include "lighting/led_zone_record.h"

namespace halvric {

namespace lighting {
class ColourPicker;
}
class AppFonts;
class DeviceJobs;
class TextTables;

class ColorPickDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 420;
  static constexpr int kHeight = 350;
  static constexpr int kPaletteColours = 16;

  // `picker` was made on the worker with the zone table as last read; `title` names the target.
  ColorPickDlg(DeviceJobs& session, std::shared_ptr<lighting::ColourPicker> picker, QString title,
               const AppFonts& fonts, const TextTables& texts, QWidget* parent = nullptr);

  // Closes as if cancelled (the lights are restored).
  void CloseRequest();

  // --- for tests and screenshots
  lighting::LedZoneRecord Current() const { return current_; }
  QRect PaletteRect(int index) const;
  QRect SliderRect(int component) const { return {64, 150 + 36 * component, 240, 16}; }
  QRect BreatheRect() const { return {24, 262, 160, 24}; }
  QRect AlwaysOnRect() const { return {210, 262, 160, 24}; }
  QRect OkRect() const { return {96, kHeight - 52, 110, 34}; }
  QRect CancelRect() const { return {214, kHeight - 52, 110, 34}; }
  static QColor PaletteColour(int index);
  // A preview is queued or running on the worker, or the shown value is not previewed yet.
  bool PreviewPending() const { return preview_in_flight_ || !(current_ == previewed_); }

 signals:
  // The final job (store or restore) has run; the dialog then closes.
  void stored(bool ok);
  void restored(bool ok);

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void reject() override;

 private:
  void SetColour(const lighting::Rgb& colour);
  void SetAlwaysOn(bool on);
  void QueuePreview();
  void Finish(bool store);
  void SliderAt(int component, int x);

  DeviceJobs& session_;
  std::shared_ptr<lighting::ColourPicker> picker_;
  const QString title_;
  const AppFonts& fonts_;
  const TextTables& texts_;
  lighting::LedZoneRecord current_;
  lighting::LedZoneRecord previewed_;  // the value of the last preview queued
  bool preview_in_flight_ = false;
  bool finishing_ = false;
  int dragging_ = -1;  // slider being dragged
  int hot_ = -1;
};

}  // namespace halvric
