#include "ui/ColorPickView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

#include "config/language.h"
#include "ui/ColorGridView.h"
#include "ui/ColorPanel.h"
#include "ui/Skin.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/Outline.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {


// Places, top-down. The fields stand in a column below the swatch, the close
// button in the corner above it, OK at the bottom right beside the strip.
constexpr QRect kExit(361, 0, 24, 24);
constexpr QRect kOk(286, 219, 76, 26);
constexpr int kFieldX = 300, kFieldWidth = 55, kFieldHeight = 19;
constexpr int kRedFieldY = 110, kFieldStep = 25;
constexpr int kLabelX = 284, kLabelWidth = 14;

const QColor kSwatchFrame(200, 200, 200);

}  // namespace

ColorPickView::ColorPickView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    createControls();
    onRefreshText();
    initColor(clrCurrent);
}

QRect ColorPickView::chartCell(int row, int column) {
    return QRect(30 + 30 * column, 25 + 29 * row, 20, 19);
}

void ColorPickView::createControls() {
    const WidgetSkin skin = uiSkin();
    imgChart = loadSkinImage(QStringLiteral("colorplane.png"));
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    setButtonAction(click);  // Escape closes, Return is OK
    // Button frames are bottom-left; ours are top-down.
    const QString exitNr = QStringLiteral("exit_nr.png"), exitOv = QStringLiteral("exit_ov.png");
    btnExit = newPngButton2(nullptr, this, skin, exitNr, exitOv, exitOv, false, flipRect(kExit, HEIGHT), {}, click);
    const QString okNr = QStringLiteral("button3_nr.png"), okOv = QStringLiteral("button3_ov.png");
    btnOk = newPngButton2(nullptr, this, skin, okNr, okOv, okOv, false, flipRect(kOk, HEIGHT), {}, click);
    txtR = makeField(kRedFieldY);
    txtG = makeField(kRedFieldY + kFieldStep);
    txtB = makeField(kRedFieldY + 2 * kFieldStep);
}

MyTextFieldCell* ColorPickView::makeField(int y) {
    const QRectF place(kFieldX, y, kFieldWidth, kFieldHeight);
    MyTextFieldCell* field = newEdit(this, uiSkin(), {}, flipRect(place, HEIGHT));
    field->setMaxLength(3);
    QObject::connect(field, &QLineEdit::editingFinished, this, [this] { takeFields(); });
    return field;
}

void ColorPickView::onRefreshText() {
    btnOk->setCaption(uiText("tc_ok"));
    btnExit->setLabel(uiText("tc_close"));
    txtR->setAccessibleName(uiText("tc_clr_red"));
    txtG->setAccessibleName(uiText("tc_clr_green"));
    txtB->setAccessibleName(uiText("tc_clr_blue"));
    setAccessibleName(uiText("tc_adv_str4"));
}

void ColorPickView::initColor(const QColor& color) {
    if (!color.isValid()) return;
    clrCurrent = color;
    setColorToEdit(color);
    update(kSwatch);
}

void ColorPickView::setColorToEdit(const QColor& color) {
    const auto channels = channelsOf(color);
    txtR->setText(QString::number(channels[0]));
    txtG->setText(QString::number(channels[1]));
    txtB->setText(QString::number(channels[2]));
}

void ColorPickView::takeFields() {
    initColor(colorFromChannels(channelFromText(txtR->text()), channelFromText(txtG->text()),
                                channelFromText(txtB->text())));
}

void ColorPickView::btnClick(PngButton* sender) {
    if (sender == btnOk)
        onOk();
    else if (sender == btnExit)
        hideWithOverlay();
}

void ColorPickView::onOk() {
    // A field typed into and not yet left still counts.
    if (txtR->isModified() || txtG->isModified() || txtB->isModified()) takeFields();
    if (targetView) targetView->setBkgColor(clrCurrent, true);
    hideWithOverlay();
}

bool ColorPickView::inPickArea(QPoint at) const {
    if (kStrip.contains(at)) return true;
    for (int row = 0; row < kRows; ++row)
        for (int column = 0; column < kColumns; ++column)
            if (chartCell(row, column).contains(at)) return true;
    return false;
}

void ColorPickView::mousePressEvent(QMouseEvent* event) {
    const QPointF at = event->position();
    if (event->button() != Qt::LeftButton || !inPickArea(at.toPoint())) return;
    // The picture is drawn at the dialog's origin: the colour is the picture's under the point.
    if (const auto colour = ImageProcess::colorAtPoint(imgChart, at)) initColor(*colour);
}

void ColorPickView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!imgChart.isNull())
        painter.drawImage(QPointF(0, 0), imgChart);
    else
        painter.fillRect(rect(), QColor(20, 20, 20));
    painter.fillRect(kSwatch, clrCurrent);
    drawOutline(painter, QRectF(kSwatch), kSwatchFrame);

    // Channel symbols, the same in every language.
    const TextStyle style = panelTextStyle(TextAlign::Centre);
    const char* symbols[] = {"R", "G", "B"};
    for (int i = 0; i < 3; ++i) {
        const QRectF line(kLabelX, kRedFieldY + i * kFieldStep, kLabelWidth, kFieldHeight);
        myDrawText(painter, QString::fromLatin1(symbols[i]), style, flipRect(line, HEIGHT), HEIGHT);
    }
}

void showColorPick(HideView* overlay, ColorPickView* dialog, ColorGridView* target, bool startFromTarget) {
    if (!dialog) return;
    dialog->targetView = target;
    if (startFromTarget && target) dialog->initColor(target->bkgColor());
    dialog->viewHide = overlay;
    showOverOverlay(overlay, dialog);
}

std::optional<QColor> ColorAtScreenCoordinate(QScreen* screen, int x, int y) {
    if (!screen) return std::nullopt;
    const QPixmap shot = screen->grabWindow(0, x, y, 1, 1);
    if (shot.isNull()) return std::nullopt;
    const QImage image = shot.toImage();
    if (image.isNull() || image.width() < 1 || image.height() < 1) return std::nullopt;
    return image.pixelColor(0, 0);
}

}  // namespace keyloom
