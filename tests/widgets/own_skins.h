// Skin pictures of known sizes and colours written by the test itself into a
// folder that is the work directory for the fixture's scope; the shipped
// configuration stays loaded in gVar.
#pragma once
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QTemporaryDir>

#include "base/paths.h"
#include "widgets/widget_test_support.h"

namespace keyloom::test {

inline QImage filled(QSize size, QColor color) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    return image;
}

class OwnSkins {
public:
    OwnSkins() {
        useShippedConfig();
        QDir(dir_.path()).mkpath("skins");
        set_work_dir(dir_.path().toStdString());
    }
    ~OwnSkins() { set_work_dir(KEYLOOM_BUILD_CFG_DIR); }
    OwnSkins(const OwnSkins&) = delete;
    OwnSkins& operator=(const OwnSkins&) = delete;

    // Writes skins/<name> and gives its path.
    QString add(const QString& name, const QImage& image) {
        const QString path = dir_.filePath("skins/" + name);
        EXPECT_TRUE(image.save(path));
        return path;
    }

private:
    QTemporaryDir dir_;
};

}  // namespace keyloom::test
