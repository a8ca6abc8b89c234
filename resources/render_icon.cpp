// Draws the windows' icons from their SVG sources at build time into a C++
// header of pixel arrays, so that a window gets its icon without rendering
// SVG or reading an image file when the program starts.
//
//   kvapomer_render_icon <output.h> <resource path>=<source.svg>...
//
// Each icon is drawn at 16, 32, 48 and 64 pixels as premultiplied ARGB32 and
// found by its resource path (":/icons/clock.svg").

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QSvgRenderer>

#include <cstdio>

namespace {

constexpr int kSizes[] = {16, 32, 48, 64};

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output.h> <name>=<source.svg>...\n", argv[0]);
        return 2;
    }
    QByteArray out = "// Drawn from the icons' SVG sources by kvapomer_render_icon; not edited.\n"
                     "#pragma once\n\nnamespace kvapomer::drawn_icons {\n\n"
                     "struct Drawn {\n    const char* resource;\n    int size;\n"
                     "    const unsigned char* argb; // premultiplied ARGB32, rows top first\n"
                     "};\n\n";
    QByteArray table = "inline const Drawn kAll[] = {\n";
    for (int i = 2; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const qsizetype eq = arg.indexOf(u'=');
        const QString resource = arg.left(eq);
        QSvgRenderer renderer(arg.mid(eq + 1));
        if (eq <= 0 || !renderer.isValid()) {
            std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[i]);
            return 1;
        }
        for (const int size : kSizes) {
            QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::transparent);
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            renderer.render(&painter);
            painter.end();
            const QByteArray id = "icon" + QByteArray::number(i) + '_' + QByteArray::number(size);
            out += "inline const unsigned char " + id + "[] = {";
            for (qsizetype b = 0; b < image.sizeInBytes(); ++b) {
                out +=
                    (b % 16 == 0 ? "\n    " : " ") + QByteArray::number(image.constBits()[b]) + ',';
            }
            out += "\n};\n";
            table += "    {\"" + resource.toLatin1() + "\", " + QByteArray::number(size) + ", " +
                     id + "},\n";
        }
    }
    out += "\n" + table + "};\n\n} // namespace kvapomer::drawn_icons\n";
    QFile file(QString::fromLocal8Bit(argv[1]));
    if (!file.open(QIODevice::WriteOnly) || file.write(out) != out.size()) {
        std::fprintf(stderr, "%s: cannot write %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
