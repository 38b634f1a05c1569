#include "metafile_fixtures.h"

#include <QFile>

#include <stdexcept>

namespace fixtures {
namespace {

void copyScene(const char* name, const QString& path)
{
    QFile::remove(path);
    if (!QFile::copy(QStringLiteral(TAVRO_PICTURE_DATA "/") + name, path) ||
        !QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        throw std::runtime_error(std::string("cannot copy ") + name);
}

}  // namespace

void writeEmfScene(const QString& path) { copyScene("scene.emf", path); }
void writeWmfScene(const QString& path) { copyScene("scene.wmf", path); }

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
