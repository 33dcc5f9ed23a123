// velmar-render-icon: draws the program's SVG icon as the PNG sizes of the hicolor icon theme,
// with the same renderer that draws it in the program's windows.
//     velmar-render-icon ICON.svg OUTPUT_FOLDER NAME SIZE...
// writes OUTPUT_FOLDER/<SIZE>x<SIZE>/apps/NAME.png for each size.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QSaveFile>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fputs("usage: velmar-render-icon ICON.svg OUTPUT_FOLDER NAME SIZE...\n", stderr);
        return 2;
    }
    QSvgRenderer renderer(QString::fromLocal8Bit(argv[1]));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "velmar-render-icon: %s is not an SVG drawing\n", argv[1]);
        return 1;
    }
    const QString name = QString::fromLocal8Bit(argv[3]);
    for (int i = 4; i < argc; ++i) {
        bool number = false;
        const int side = QString::fromLatin1(argv[i]).toInt(&number);
        if (!number || side < 1 || side > 1024) {
            std::fprintf(stderr, "velmar-render-icon: %s is no icon size\n", argv[i]);
            return 2;
        }
        const QString folder =
            QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1/apps").arg(side);
        QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter, QRectF(0, 0, side, side));
        }
        // Written beside its place and renamed there when whole.
        QSaveFile file(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly) ||
            !image.save(&file, "PNG") || !file.commit()) {
            std::fprintf(stderr, "velmar-render-icon: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
