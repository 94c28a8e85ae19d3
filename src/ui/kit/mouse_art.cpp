#include "ui/kit/mouse_art.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <QSvgRenderer>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>
#include <algorithm>
#include <array>
#include <memory>
#include <optional>

#include "device/model_layout.h"
#include "lighting/model_lighting.h"

namespace halvric {
namespace {

// What the program reads from one picture, read once (on the GUI thread, as all drawing): the file
// and the spots of its elements.
struct RowArt {
  QByteArray svg;
  int buttons = 0;  // one more than the highest button with an element
  std::array<std::optional<QPointF>, kMaxDrawnButtons> hot_spots;
  std::array<QRectF, lighting::kPictureZones> zones;
};

// The bounds of element `id` in picture coordinates (through the transforms of its groups).
std::optional<QRectF> ElementBounds(const QSvgRenderer& renderer, const QString& id) {
  if (!renderer.elementExists(id)) return std::nullopt;
  return renderer.transformForElement(id).mapRect(renderer.boundsOnElement(id));
}

const RowArt& ArtOf(int row) {
  static std::array<std::unique_ptr<RowArt>, kMouseArtRows> cache;
  row = std::clamp(row, 0, kMouseArtRows - 1);
  std::unique_ptr<RowArt>& art = cache[static_cast<size_t>(row)];
  if (art) return *art;
  art = std::make_unique<RowArt>();
  QFile file(MouseArtPath(row));
  // The pictures are a few tens of kilobytes; a larger file is not one of them.
  constexpr qint64 kMaxArtBytes = qint64{4} << 20;
  if (file.open(QIODevice::ReadOnly)) art->svg = file.read(kMaxArtBytes + 1);
  if (art->svg.size() > kMaxArtBytes) art->svg.clear();
  const QSvgRenderer renderer(art->svg);
  for (int i = 0; i < kMaxDrawnButtons; ++i) {
    if (const auto b = ElementBounds(renderer, QStringLiteral("button-%1").arg(i))) {
      art->hot_spots[static_cast<size_t>(i)] = b->center();
      art->buttons = i + 1;
    }
  }
  for (int z = 0; z < lighting::kPictureZones; ++z) {
    art->zones[static_cast<size_t>(z)] = ElementBounds(renderer, QStringLiteral("zone-%1").arg(z)).value_or(QRectF());
  }
  return *art;
}

// The number at the end of `id` when it is `prefix` followed by a number, else -1.
int IndexOf(QStringView id, QStringView prefix) {
  if (!id.startsWith(prefix)) return -1;
  bool ok = false;
  const int i = id.mid(prefix.size()).toInt(&ok);
  return ok && i >= 0 ? i : -1;
}

// `style` without its display declaration.
QString WithoutDisplay(QStringView style) {
  QStringList kept;
  for (QStringView d : style.split(u';', Qt::SkipEmptyParts)) {
    const qsizetype colon = d.indexOf(u':');
    if (colon >= 0 && d.first(colon).trimmed() == u"display") continue;
    kept.append(d.toString());
  }
  return kept.join(u';');
}

// The picture as stored with the elements of the buttons from `buttons` on hidden and the
// highlight of button `highlight` shown; everything else is copied as it is.
QByteArray Styled(const QByteArray& svg, int buttons, int highlight) {
  QXmlStreamReader in(svg);
  in.setNamespaceProcessing(false);
  QByteArray out;
  QXmlStreamWriter w(&out);
  while (!in.atEnd()) {
    switch (in.readNext()) {
      case QXmlStreamReader::StartDocument:
      case QXmlStreamReader::EndDocument:
      case QXmlStreamReader::Invalid:
        break;
      case QXmlStreamReader::StartElement: {
        const QXmlStreamAttributes attributes = in.attributes();
        const QStringView id = attributes.value(QLatin1String("id"));
        QString display;  // empty: as stored
        if (const int b = IndexOf(id, u"button-"); b >= 0 && b >= buttons) display = QStringLiteral("none");
        if (const int h = IndexOf(id, u"highlight-"); h >= 0 && h == highlight) display = QStringLiteral("inline");
        w.writeStartElement(in.qualifiedName().toString());
        for (const QXmlStreamAttribute& a : attributes) {
          if (display.isEmpty()) {
            w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
          } else if (a.qualifiedName() == u"style") {
            w.writeAttribute(QStringLiteral("style"), WithoutDisplay(a.value()));
          } else if (a.qualifiedName() != u"display") {
            w.writeAttribute(a.qualifiedName().toString(), a.value().toString());
          }
        }
        if (!display.isEmpty()) w.writeAttribute(QStringLiteral("display"), display);
        break;
      }
      default:
        w.writeCurrentToken(in);
        break;
    }
  }
  return in.hasError() ? svg : out;
}

}  // namespace

QString MouseArtPath(int row) {
  return QStringLiteral(":/art/mouse_row%1.svg").arg(std::clamp(row, 0, kMouseArtRows - 1));
}

QPointF MouseHotSpot(int row, int index) {
  if (index < 0 || index >= kMaxDrawnButtons) return {};
  return ArtOf(row).hot_spots[static_cast<size_t>(index)].value_or(QPointF());
}

QRectF MouseZoneArea(int row, int zone) {
  if (zone < 0 || zone >= lighting::kPictureZones) return {};
  return ArtOf(row).zones[static_cast<size_t>(zone)];
}

QByteArray MouseSvg(int row, int buttons, int highlight) {
  const RowArt& art = ArtOf(row);
  if (highlight < 0 && buttons >= art.buttons) return art.svg;
  return Styled(art.svg, buttons, highlight >= 0 && highlight < buttons ? highlight : -1);
}

void DrawMouse(QPainter& p, const QRectF& target, int row, int buttons, int highlight) {
  QSvgRenderer renderer(MouseSvg(row, buttons, highlight));
  renderer.render(&p, target);
}

QByteArray LevelBadgeSvg(int level) {
  level = std::clamp(level, 0, 4);
  QString svg = QStringLiteral("<svg xmlns='http://www.w3.org/2000/svg' viewBox='0 0 64 64'>"
                               "<rect x='2' y='2' width='60' height='60' rx='14' fill='#1b1e25' stroke='#3fb6ff' "
                               "stroke-width='2'/>");
  for (int i = 0; i < 5; ++i) {
    const double h = 8 + 8 * i;
    svg += QStringLiteral("<rect x='%1' y='%2' width='7' height='%3' rx='2' fill='%4'/>")
               .arg(9 + 10 * i)
               .arg(52 - h)
               .arg(h)
               .arg(i <= level ? QStringLiteral("#3fb6ff") : QStringLiteral("#3a3f4b"));
  }
  svg += QStringLiteral("</svg>");
  return svg.toUtf8();
}

void DrawLevelBadge(QPainter& p, const QRectF& target, int level) {
  QSvgRenderer renderer(LevelBadgeSvg(level));
  renderer.render(&p, target);
}

QIcon AppIcon() {
  static const QIcon icon = [] {
    QIcon i;
    QSvgRenderer renderer(QStringLiteral(":/art/app_icon.svg"));
    for (int size : {16, 22, 24, 32, 48, 64, 96, 128}) {
      QPixmap pm(size, size);
      pm.fill(Qt::transparent);
      QPainter p(&pm);
      p.setRenderHint(QPainter::Antialiasing);
      renderer.render(&p, QRectF(0, 0, size, size));
      p.end();
      i.addPixmap(pm);
    }
    return i;
  }();
  return icon;
}

}  // namespace halvric
