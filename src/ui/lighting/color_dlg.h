#pragma once
// The lighting window: the five effect buttons, "Set all lights" and the animated picture of the
// mouse with its lighting zones. Choosing an effect sends it to the mouse; clicking a zone (or
// "Set all lights") opens the colour picker for it. The picture animates on a preview thread of
// its own, one tick every 90 ms, only while the window is open. Every exchange with the mouse
// runs on the device session's worker. A colour the mouse did not store is told in the window's
// own prompt, and the picture is read again from the mouse.

#include <QDialog>
#include <QPointer>
#include <QRect>
#include <QString>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "lighting/lighting_window_model.h"
#include "lighting/preview_model.h"
#include "ui/lighting/color_pick_dlg.h"

namespace halvric {

class AppFonts;
class CStrDlg;
class DeviceJobs;
class TextTables;

class ColorDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kWidth = 700;
  static constexpr int kHeight = 420;

  ColorDlg(DeviceJobs& session, const AppFonts& fonts, const TextTables& texts, QWidget* parent = nullptr);
  ~ColorDlg() override;

  // Opens the window (modal, without a nested event loop) for the mouse at `path`; `art_row` is
  // the model row of the mouse picture. The effect is read on the worker; `loaded` follows.
  void OpenFor(const std::string& path, int art_row, lighting::RandomFn random = {});

  // The refresh and close requests of the other windows; both reach an open picker as well.
  void RefreshRequest();
  void CloseRequest();
  // Called when the mouse no longer answers after a failed store (the window then closes).
  std::function<void()> mouse_not_answering;

  // --- for tests and screenshots
  int effect() const;
  bool Loaded() const { return loaded_; }
  bool PreviewRunning() const { return preview_.joinable(); }
  ColorPickDlg* picker() const { return picker_; }
  CStrDlg& prompt() { return *prompt_; }
  // The zone table the picture shows, as last read from the mouse.
  std::vector<lighting::LedZoneRecord> Records() const;
  lighting::PreviewModel Snapshot() const;
  QRect EffectRect(int effect) const { return {20, 60 + 40 * effect, 24, 24}; }
  QRect SetAllRect() const { return {20, 290, 180, 34}; }
  QRect CloseRect() const { return {kWidth - 40, 12, 28, 28}; }
  static QRect PictureRect() { return {220, 80, 470, 340}; }
  // The hot area of a picture zone in window coordinates (empty when the model lacks it).
  QRect ZoneRect(int zone) const;
  int ZoneAt(const QPoint& pos) const;
  const QString& ZoneTip() const { return zone_tip_; }

 signals:
  void loaded();
  void effectSent(int effect);
  void pickerOpened();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void done(int result) override;

 private:
  void ChooseEffect(int effect);
  void OpenPicker(int zone);  // -1: every zone of the model
  // After the picker's OK: the picture is rebuilt from the mouse; a store that failed is told.
  void AfterStore(bool stored);
  void StartPreview();
  void StopPreview();
  QRectF ArtRect() const;

  DeviceJobs& session_;
  const AppFonts& fonts_;
  const TextTables& texts_;
  std::string path_;
  int art_row_ = 0;
  std::shared_ptr<lighting::LightingWindowModel> model_;
  bool loaded_ = false;
  int generation_ = 0;  // each opening; answers of an earlier opening are ignored
  int hover_zone_ = -1;
  int hover_button_ = -1;
  QString zone_tip_;
  QPointer<ColorPickDlg> picker_;
  CStrDlg* prompt_ = nullptr;

  std::mutex preview_mu_;
  std::condition_variable_any preview_cv_;
  std::jthread preview_;
};

}  // namespace halvric
