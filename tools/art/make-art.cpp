// Draws the program's own pictures: the icon (resource 128, and as SVG for the desktop) and the
// start-up picture (136).
// Run by tools/art/make-art.sh; the results are committed under resources/.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSvgGenerator>
#include <cstdio>

static void DrawIcon(QPainter& p, int s)
{
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, s);
    sky.setColorAt(0, QColor(18, 40, 92));
    sky.setColorAt(1, QColor(8, 20, 52));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, s, s), s * 0.18, s * 0.18);
    // A mountain in the relief colours, on a grid of mesh lines.
    p.setPen(QPen(QColor(255, 64, 64, 200), std::max(1.0, s / 40.0)));
    for (int i = 1; i < 4; ++i) {
        p.drawLine(QPointF(s * i / 4.0, s * 0.12), QPointF(s * i / 4.0, s * 0.88));
        p.drawLine(QPointF(s * 0.12, s * i / 4.0), QPointF(s * 0.88, s * i / 4.0));
    }
    QPainterPath hill;
    hill.moveTo(s * 0.08, s * 0.84);
    hill.lineTo(s * 0.42, s * 0.30);
    hill.lineTo(s * 0.56, s * 0.46);
    hill.lineTo(s * 0.68, s * 0.36);
    hill.lineTo(s * 0.92, s * 0.84);
    hill.closeSubpath();
    QLinearGradient land(0, s * 0.3, 0, s * 0.84);
    land.setColorAt(0, QColor(176, 144, 0));
    land.setColorAt(0.5, QColor(160, 184, 0));
    land.setColorAt(1, QColor(40, 232, 40));
    p.setPen(QPen(QColor(245, 245, 245), std::max(1.0, s / 48.0)));
    p.setBrush(land);
    p.drawPath(hill);
}

static QImage Icon(int s)
{
    QImage img(s, s, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    DrawIcon(p, s);
    return img;
}

// The land of a rendered relief frame: sea (no data) and the background become transparent.
static QImage LandOf(const QImage& relief)
{
    QImage land = relief.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < land.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(land.scanLine(y));
        for (int x = 0; x < land.width(); ++x) {
            const QRgb c = row[x];
            if ((qRed(c) == 0 && qGreen(c) == 0) || (qRed(c) < 8 && qGreen(c) < 8 && qBlue(c) < 8))
                row[x] = qRgba(0, 0, 0, 0);
        }
    }
    return land;
}

static QImage Splash(const QImage& relief)
{
    const int w = 520, h = 300;
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, h);
    bg.setColorAt(0, QColor(14, 30, 70));
    bg.setColorAt(1, QColor(4, 10, 30));
    p.fillRect(img.rect(), bg);
    p.setPen(QPen(QColor(255, 64, 64, 90), 1));
    for (int x = 20; x < w; x += 40)
        p.drawLine(x, 0, x, h);
    for (int y = 20; y < h; y += 27)
        p.drawLine(0, y, w, y);
    if (!relief.isNull()) {
        // Japan in its own relief colours behind the title.
        const QImage land = LandOf(relief);
        p.setOpacity(0.9);
        p.drawImage(QRect(140, -8, 400, 301), land, QRect(140, 0, 560, 420));
        p.setOpacity(1.0);
    }
    p.save();
    p.translate(28, 28);
    DrawIcon(p, 96);
    p.restore();
    QFont title(QStringLiteral("IPAGothic"));
    title.setPixelSize(64);
    p.setFont(title);
    p.setPen(QColor(245, 245, 245));
    p.drawText(QPointF(28, 196), QStringLiteral("テセロ"));
    QFont latin(QStringLiteral("IPAGothic"));
    latin.setPixelSize(30);
    p.setFont(latin);
    p.setPen(QColor(0, 245, 255));
    p.drawText(QPointF(32, 236), QStringLiteral("Tesselo"));
    QFont small(QStringLiteral("IPAGothic"));
    small.setPixelSize(14);
    p.setFont(small);
    p.setPen(QColor(205, 179, 139));
    p.drawText(QPointF(32, 264), QStringLiteral("基盤地図情報 数値標高モデル 10m / 5m"));
    p.drawText(QPointF(32, 284), QStringLiteral("ファイル選択地図  Ver 5.01"));
    return img;
}

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make-art RESOURCES_DIR [RELIEF.png]\n");
        return 1;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const QImage relief = argc == 3 ? QImage(QString::fromLocal8Bit(argv[2])) : QImage();
    bool ok = Splash(relief).save(dir + "/bitmaps/136.png");
    for (int s : {16, 32, 48, 64, 128, 256})
        ok = Icon(s).save(dir + QStringLiteral("/icons/128-%1.png").arg(s)) && ok;
    // The same drawing as a scalable icon for the desktop.
    QSvgGenerator svg;
    svg.setFileName(dir + "/icons/tesselo.svg");
    svg.setSize(QSize(256, 256));
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle("Tesselo");
    svg.setDescription("A mountain in the relief colours over the grid of DEM tiles");
    {
        QPainter p(&svg);
        DrawIcon(p, 256);
    }
    return ok ? 0 : 1;
}
