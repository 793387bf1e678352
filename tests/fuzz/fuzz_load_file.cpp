// Feeds arbitrary bytes to the file loader (BMP and JPEG) through a file of this process.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cstdint>

#include "picture/PictureEngine.h"

namespace {
QString g_path;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    // Qt finds its image plugins through the application object.
    static QCoreApplication app(*argc, *argv);
    g_path = QDir::temp().filePath(
        QString("tavelo-fuzz-%1.img").arg(QCoreApplication::applicationPid()));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        QFile file(g_path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            return 0;
        }
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    tavelo::PictureEngine engine;
    engine.LoadFile(g_path, 0, 0, 1);
    return 0;
}
