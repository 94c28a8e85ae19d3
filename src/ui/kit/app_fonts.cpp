#include "ui/kit/app_fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace halvric {
namespace {

QString FirstInstalled(const QStringList& wanted) {
  const QStringList families = QFontDatabase::families();
  for (const QString& w : wanted) {
    for (const QString& f : families) {
      if (f.compare(w, Qt::CaseInsensitive) == 0) return f;
    }
  }
  return wanted.isEmpty() ? QString() : wanted.back();
}

QFont Make(const QString& family, int pixels, bool bold) {
  QFont f(family);
  f.setPixelSize(pixels);
  f.setBold(bold);
  f.setStyleStrategy(QFont::PreferAntialias);
  return f;
}

}  // namespace

AppFonts::AppFonts()
    : sans_(FirstInstalled({"Tahoma", "DejaVu Sans", "Liberation Sans"})),
      mono_(FirstInstalled({"Courier New", "DejaVu Sans Mono", "Liberation Mono"})) {
  constexpr struct { int px; bool mono; bool bold; } kTable[kFontCount] = {
      {16, false, false}, {20, false, false}, {10, false, false}, {12, false, false},
      {14, false, false}, {14, false, false}, {14, false, false}, {11, true, false},
      {14, false, true},  {24, false, false}, {20, true, true},
  };
  for (int i = 0; i < kFontCount; ++i) {
    fonts_[static_cast<size_t>(i)] = Make(kTable[i].mono ? mono_ : sans_, kTable[i].px, kTable[i].bold);
  }
}

QFont AppFonts::Sans(int pixels, bool bold) const { return Make(sans_, pixels, bold); }

}  // namespace halvric
