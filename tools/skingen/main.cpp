// keyloom_skingen: draws the skin pictures and the six key pictures into a
// work directory. The build runs it; the pictures are data, the same bytes on
// every run.
//
//   keyloom_skingen <model work dir> <output work dir>
//
// Model files are read from the first directory (Dev/<model>/<variant>/cfg.txt);
// skins/*.png and each model's keyimg.png are written under the second, each
// also drawn at twice the size as "<name>@2x.png" for screens with two device
// pixels to a point.
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QGuiApplication>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config/gvar.h"
#include "key_picture.h"
#include "look.h"
#include "skins.h"

namespace keyloom::skins {

namespace {

constexpr int kModelCount = 6;
constexpr QSize kKeyPictureMax(610, 250);

bool writePicture(const QImage& image, const QString& path) {
    if (!QDir().mkpath(QFileInfo(path).path()) || !image.save(path, "PNG")) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// Every picture of the table, at its size times the scale, and nothing else.
bool checkSkins(const SkinSet& skins, int scale) {
    bool ok = skins.size() == std::size(kSkinPictures);
    for (const auto& picture : kSkinPictures) {
        const QSize size = QSize(picture.width, picture.height) * scale;
        auto found = skins.find(picture.name);
        if (found == skins.end() || found->second.size() != size) {
            std::fprintf(stderr, "skingen: %s missing or not %dx%d\n", qPrintable(scaledName(picture.name, scale)),
                         size.width(), size.height());
            ok = false;
        }
    }
    return ok;
}

bool writeSkins(const QString& outDir, int scale) {
    SkinSet skins;
    addWindowSkins(skins, scale);
    addDialogSkins(skins, scale);
    addControlSkins(skins, scale);
    addKnobSkins(skins, scale);
    addColourSkins(skins, scale);
    if (!checkSkins(skins, scale)) return false;
    bool ok = true;
    for (const auto& [name, image] : skins)
        ok = writePicture(image, outDir + "/skins/" + scaledName(QString::fromStdString(name), scale)) && ok;
    return ok;
}

bool writeKeyPicture(int model, const QString& modelDir, const QString& outDir) {
    const QString cfg = modelDir + "/" + get_model_cfg_path(model);
    if (!InitGlobalVariable(cfg.toLocal8Bit().constData())) {
        std::fprintf(stderr, "skingen: cannot read %s\n", qPrintable(cfg));
        return false;
    }
    const int knobRow = gVar.SrIndex < gVar.nKeyCount ? gVar.SrIndex : -1;
    const QSize size = keyPictureSize(g_defKEY, gVar.nKeyCount);
    if (size.isEmpty() || size.width() > kKeyPictureMax.width() || size.height() > kKeyPictureMax.height()) {
        std::fprintf(stderr, "skingen: %s has no keys or a key picture above 610 x 250\n", qPrintable(cfg));
        return false;
    }
    const QString path = outDir + "/" + get_model_keyimg_path(model);
    bool ok = true;
    for (int scale : kScales)
        ok = writePicture(drawKeyPicture(g_defKEY, gVar.nKeyCount, knobRow, scale), scaledName(path, scale)) && ok;
    return ok;
}

// Builds run without a desktop session; Qt's note about the missing runtime
// directory is noise there. Everything else is passed on.
void forwardMessage(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtDebugMsg || type == QtInfoMsg || message.startsWith("QStandardPaths:")) return;
    std::fprintf(stderr, "skingen: %s\n", qPrintable(message));
}

}  // namespace

}  // namespace keyloom::skins

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: keyloom_skingen <model work dir> <output work dir>\n");
        return 2;
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    qInstallMessageHandler(keyloom::skins::forwardMessage);
    QGuiApplication app(argc, argv);
    const QString family = QFontInfo(keyloom::skins::legendFont(10)).family();
    if (family != "Liberation Sans" && family != "Arial")
        std::fprintf(stderr, "skingen: legends fall back to \"%s\"\n", qPrintable(family));

    const QString modelDir = QString::fromLocal8Bit(argv[1]);
    const QString outDir = QString::fromLocal8Bit(argv[2]);
    bool ok = true;
    for (int scale : keyloom::skins::kScales) ok = keyloom::skins::writeSkins(outDir, scale) && ok;
    for (int model = 1; model <= keyloom::skins::kModelCount; ++model)
        ok = keyloom::skins::writeKeyPicture(model, modelDir, outDir) && ok;
    return ok ? 0 : 1;
}
