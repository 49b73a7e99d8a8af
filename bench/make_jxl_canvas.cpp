// Writes a JPEG XL that claims a WIDTH x HEIGHT picture in a few hundred bytes (one small layer on
// a large canvas), for the hostile-memory benchmark.
// Usage: make_jxl_canvas WIDTH HEIGHT OUTPUT

#include "tests/engine/formatfixtures.h"

#include <QFile>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_jxl_canvas WIDTH HEIGHT OUTPUT\n");
        return 2;
    }
    const QByteArray file = EncodeJxlCanvas(std::atoi(argv[1]), std::atoi(argv[2]));
    QFile out(QFile::decodeName(argv[3]));
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
