// Renders the program's scalable icon (resources/icons/kv481.svg) to the PNG
// sizes desktops look for: resources/icons/hicolor/NxN/apps/kv481.png. Run
// by hand after the SVG changed, as make-artwork is.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render-app-icon <resources folder>\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]);
    QSvgRenderer svg(root + QStringLiteral("/icons/kv481.svg"));
    if (!svg.isValid()) {
        std::fprintf(stderr, "render-app-icon: cannot read %s/icons/kv481.svg\n", argv[1]);
        return 1;
    }
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
        img.fill(Qt::transparent);
        QPainter p(&img);
        p.setRenderHint(QPainter::Antialiasing);
        svg.render(&p);
        p.end();
        const QString folder = root + QStringLiteral("/icons/hicolor/%1x%1/apps").arg(size);
        QDir().mkpath(folder);
        if (!img.save(folder + QStringLiteral("/kv481.png"))) {
            std::fprintf(stderr, "render-app-icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
