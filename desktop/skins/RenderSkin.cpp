// hd_render_skin IN.svg OUT.png: draws a skin's picture at its own size with
// a transparent background. Run by the build for every shipped skin.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: hd_render_skin IN.svg OUT.png\n", stderr);
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid()) {
        std::fprintf(stderr, "hd_render_skin: %s is not a readable SVG picture\n", argv[1]);
        return 1;
    }
    QImage out(svg.defaultSize(), QImage::Format_ARGB32);
    out.fill(Qt::transparent);
    QPainter p(&out);
    p.setRenderHint(QPainter::Antialiasing);
    svg.render(&p);
    p.end();
    if (!out.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "hd_render_skin: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
