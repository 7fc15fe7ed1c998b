// Draws the library's artwork: the banner of the User Login dialog (664 by
// 135 pixels, 24 bits) and the shield icon (64 by 64 with alpha), each also
// at twice the size ("@2x"), which the dialogs show so that they stay sharp
// on screens scaled to 200%. The icon is also drawn as vectors in
// tav_icon.svg (the desktop entry's icon). Not part of the build; run it
// after changing the drawing:
//   g++ -std=c++20 -fPIC src/res/draw_images.cc -o /tmp/draw_images \
//       $(pkg-config --cflags --libs Qt6Gui)
//   QT_QPA_PLATFORM=offscreen /tmp/draw_images src/res/images
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QLinearGradient>
#include <QRadialGradient>
#include <QFont>

static QPainterPath Shield(QRectF r) {
  QPainterPath p;
  double w = r.width(), h = r.height(), x = r.x(), y = r.y();
  p.moveTo(x + w / 2, y);
  p.cubicTo(x + w * 0.70, y + h * 0.08, x + w * 0.86, y + h * 0.10, x + w, y + h * 0.12);
  p.cubicTo(x + w, y + h * 0.55, x + w * 0.80, y + h * 0.82, x + w / 2, y + h);
  p.cubicTo(x + w * 0.20, y + h * 0.82, x, y + h * 0.55, x, y + h * 0.12);
  p.cubicTo(x + w * 0.14, y + h * 0.10, x + w * 0.30, y + h * 0.08, x + w / 2, y);
  p.closeSubpath();
  return p;
}

static void DrawShield(QPainter& g, QRectF r, bool on_dark) {
  QPainterPath s = Shield(r);
  QLinearGradient fill(r.topLeft(), r.bottomRight());
  fill.setColorAt(0, QColor(0x3f, 0xb8, 0xaf));
  fill.setColorAt(1, QColor(0x12, 0x6e, 0x82));
  g.setPen(QPen(on_dark ? QColor(255, 255, 255, 230) : QColor(0x0b, 0x3d, 0x5c), r.width() * 0.05));
  g.setBrush(fill);
  g.drawPath(s);
  // keyhole
  double cx = r.center().x(), cy = r.y() + r.height() * 0.43, rad = r.width() * 0.13;
  g.setPen(Qt::NoPen);
  g.setBrush(QColor(255, 255, 255));
  g.drawEllipse(QPointF(cx, cy), rad, rad);
  QPainterPath slot;
  slot.moveTo(cx - rad * 0.45, cy);
  slot.lineTo(cx + rad * 0.45, cy);
  slot.lineTo(cx + rad * 0.75, cy + rad * 2.6);
  slot.lineTo(cx - rad * 0.75, cy + rad * 2.6);
  slot.closeSubpath();
  g.drawPath(slot);
}

// Draws both pictures at `scale` times their size into `dir`, named with
// `suffix` ("" or "@2x").
static void DrawAll(const QString& dir, int scale, const QString& suffix) {
  QImage banner(664 * scale, 135 * scale, QImage::Format_RGB888);
  {
    QPainter g(&banner);
    g.setRenderHint(QPainter::Antialiasing);
    g.scale(scale, scale);
    QLinearGradient bg(0, 0, 664, 135);
    bg.setColorAt(0, QColor(0x0b, 0x2e, 0x4f));
    bg.setColorAt(0.6, QColor(0x10, 0x4e, 0x6e));
    bg.setColorAt(1, QColor(0x17, 0x7e, 0x89));
    g.fillRect(banner.rect(), bg);
    // subtle concentric arcs on the right
    g.setBrush(Qt::NoBrush);
    for (int i = 0; i < 7; ++i) {
      g.setPen(QPen(QColor(255, 255, 255, 18 + i * 3), 2));
      double rr = 60 + i * 28;
      g.drawEllipse(QPointF(640, 150), rr, rr);
    }
    // thin accent line at the bottom
    g.fillRect(QRect(0, 131, 664, 4), QColor(0x3f, 0xb8, 0xaf));
    DrawShield(g, QRectF(34, 18, 80, 96), true);
    QFont title("DejaVu Sans", 30, QFont::Bold);
    title.setPixelSize(44);
    g.setFont(title);
    g.setPen(Qt::white);
    g.drawText(QPointF(140, 68), "TAV Security");
    QFont sub("DejaVu Sans");
    sub.setPixelSize(19);
    g.setFont(sub);
    g.setPen(QColor(0xcf, 0xe8, 0xec));
    g.drawText(QPointF(142, 102), "Laboratory instrument suite  \u00b7  21 CFR Part 11");
  }
  banner.save(dir + "/banner" + suffix + ".png");
  for (int size : {64 * scale}) {
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter g(&icon);
    g.setRenderHint(QPainter::Antialiasing);
    DrawShield(g, QRectF(size * 0.12, size * 0.05, size * 0.76, size * 0.9), false);
    g.end();
    icon.save(dir + "/tav_icon" + suffix + ".png");
  }
}

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) return 2;
  DrawAll(argv[1], 1, "");
  DrawAll(argv[1], 2, "@2x");
  return 0;
}
