#pragma once
// The eleven shared fonts of the program's custom drawing, in pixel sizes. Tahoma and Courier New
// are used where installed; otherwise a family with the same pixel sizes takes their place
// (DejaVu Sans and DejaVu Sans Mono on a Debian desktop).

#include <QFont>
#include <QString>
#include <array>

namespace halvric {

enum AppFont {
  kFont16 = 0,
  kFont20 = 1,
  kFont10 = 2,
  kFont12 = 3,
  kFont14 = 4,
  kFont14b = 5,  // same face as 4; kept as its own slot
  kFont14c = 6,
  kFontMono11 = 7,
  kFont14Bold = 8,
  kFont24 = 9,
  kFontMono20Bold = 10,
  kFontCount = 11,
};

class AppFonts {
 public:
  AppFonts();
  const QFont& operator[](int index) const { return fonts_[static_cast<size_t>(index)]; }
  const QString& SansFamily() const { return sans_; }
  const QString& MonoFamily() const { return mono_; }
  // A font of the sans family at `pixels`, for sizes outside the table (the display window).
  QFont Sans(int pixels, bool bold = false) const;

 private:
  QString sans_;
  QString mono_;
  std::array<QFont, kFontCount> fonts_;
};

}  // namespace halvric
