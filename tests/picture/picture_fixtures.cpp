#include "picture_fixtures.h"

#include <QFile>

#include <stdexcept>

namespace fixtures {

QString writeFile(const QString& path, const QByteArray& bytes)
{
    // A new file, not a truncated one: ext4 flushes a file replaced by
    // truncation, which costs milliseconds a write.
    QFile::remove(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
    return path;
}

QString dataPath(const QString& name)
{
    return name.startsWith("seeds/") ? QStringLiteral(TAVRO_FUZZ_SEEDS "/") + name.mid(6)
                                     : QStringLiteral(TAVRO_PICTURE_DATA "/") + name;
}

QByteArray dataFile(const QString& name)
{
    const QByteArray bytes = contents(dataPath(name));
    if (bytes.isEmpty())
        throw std::runtime_error("no test file " + name.toStdString());
    return name.endsWith(".z") ? qUncompress(bytes) : bytes;
}

std::vector<SceneProbe> sceneProbes()
{
    const QColor none;
    return {
        {"rectangle fill", {200, 150}, Qt::red},
        {"rectangle frame", {100, 150}, Qt::black},
        {"left of rectangle", {94, 150}, none},
        {"ellipse centre", {450, 150}, Qt::blue},
        {"corner of the ellipse's box", {356, 56}, none},
        {"thick polyline", {175, 301}, Qt::green},
        {"below the polyline", {175, 310}, none},
        {"polygon", {750, 100}, Qt::yellow},
        {"outside the polygon", {620, 200}, none},
        {"bitmap, top left", {100, 375}, Qt::red},
        {"bitmap, top right", {200, 375}, Qt::green},
        {"bitmap, bottom left", {100, 425}, Qt::blue},
        {"bitmap, bottom right", {200, 425}, Qt::white},
        {"right of the bitmap", {256, 400}, none},
        {"far corner", {950, 470}, none},
    };
}

}  // namespace fixtures
