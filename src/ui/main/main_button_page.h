#pragma once
// The main window's "Buttons" page: the profile boxes with their enable boxes and colours, the
// application linked to the current profile, the mouse picture with its button items and
// key-capture icons, the remove target and the colour cells; their drawing, their hit tests and
// what a click on them does. The page reads and changes the window's state through the window,
// whose friend it is.

#include <QPoint>
#include <QRect>

#include "ui/main/halvric_dlg.h"

class QPainter;

namespace halvric {

class ButtonPage {
 public:
  explicit ButtonPage(CHalvricDlg& window) : w_(window) {}

  QRect ProfileBoxRect(int profile) const;
  QRect ProfileEnableRect(int profile) const;
  QRect ColourCellRect(int index) const;
  int ColourCellCount() const;
  QRect AppAreaRect() const;
  QRect LinkRemoveRect() const;
  // The warning sign beside it, shown while linked profiles cannot follow every window.
  QRect ForegroundNoticeRect() const;
  QRect ButtonItemRect(int button) const;
  QRect CaptureIconRect(int button) const;

  // Hot items of the page in the window's order: colour cells and capture icons come before the
  // settings items; button items, profile enable boxes, the link removal square and the
  // application area after them; the profile boxes after the DPI page's level boxes.
  CHalvricDlg::Hit HitBeforeItems(const QPoint& pos) const;
  CHalvricDlg::Hit HitAfterItems(const QPoint& pos) const;
  CHalvricDlg::Hit HitProfileBoxes(const QPoint& pos) const;

  // Colour cell `index` pressed: the current profile takes its colour.
  void PickColour(int index);
  void SelectProfile(int profile);
  void RenameProfile(int profile);
  // Links an application to the current profile, or removes the link.
  void CreateLink();
  void RemoveLink();

  void Paint(QPainter& p);

 private:
  QPoint HotSpotInWindow(int button) const;

  CHalvricDlg& w_;
};

}  // namespace halvric
