#include "ui/KeyCapture.h"

#include <QPainter>
#include <chrono>

#include "keys/basic.h"
#include "model/keyinfo.h"
#include "ui/Skin.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/PngButton.h"
#include "widgets/TextField.h"

namespace keyloom {

double wallClockSeconds() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

void recordKey(int32_t keys[2], int32_t code, bool startOver) {
    if (startOver) {
        keys[0] = code;
        keys[1] = VK_NONE;
    } else if (keys[0] == VK_NONE) {
        keys[0] = code;
    } else {
        keys[1] = code;
    }
}

QString recordedKeysCaption(const int32_t keys[2]) {
    auto name = [](int32_t code) { return QString::fromStdString(GetVKName(code).value_or(std::string())); };
    if (keys[0] == VK_NONE) return {};
    if (keys[1] == VK_NONE) return name(keys[0]);
    return QStringLiteral("%1 + %2").arg(name(keys[0]), name(keys[1]));
}

namespace {

const QColor kFieldBackground(250, 250, 250);

}  // namespace

void styleKeyField(PngButton* field, QSizeF size, bool recording) {
    const WidgetSkin skin = uiSkin();
    QImage image = newPicture(size.toSize());
    image.fill(kFieldBackground);
    {
        QPainter painter(&image);
        const QColor frame = recording ? skin.listSelected : QColor(100, 100, 100);
        drawOutline(painter, QRectF(QPointF(0, 0), size), frame, recording ? 2 : 1);
    }
    field->setImageNr(image, image, image, QRectF());
    const QColor text = readableTextColor(skin.text, kFieldBackground);
    field->setTextColor(ButtonTextColours{text, text, text});
}

}  // namespace keyloom
