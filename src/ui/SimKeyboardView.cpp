#include "ui/SimKeyboardView.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

#include "config/gvar.h"
#include "device/SimKeyboard.h"
#include "device/hwencode.h"
#include "ui/KbColorView.h"
#include "ui/QtMainLoop.h"
#include "widgets/ImageProcess.h"
#include "widgets/Platform.h"

// English only on purpose: this window is a developer's stand-in for the
// hardware, not part of the product the language files translate.

namespace keyloom {

namespace {

constexpr int kPictureWidth = 640;

// Dark like the main window, with plain readable controls.
const char* const kStyle = R"(
QWidget#SimKeyboardView { background: #1e2127; }
QWidget { color: #e4e6eb; font-size: 12px; }
QGroupBox { border: 1px solid #3a3f4b; border-radius: 4px; margin-top: 14px; padding: 6px; }
QGroupBox::title { subcontrol-origin: margin; left: 8px; padding: 0 4px; color: #8fb4ff; }
QPushButton { background: #2c313c; border: 1px solid #4a5060; border-radius: 3px; padding: 4px 10px; }
QPushButton:hover { background: #363c49; }
QPushButton:pressed { background: #20242c; }
QPushButton:checked { background: #3d5a99; border-color: #8fb4ff; }
QPushButton:disabled { color: #6b7080; border-color: #353a45; }
QPushButton:checked:disabled { background: #2a3550; }
QLabel[mono="true"] { font-family: monospace; }
)";

bool isKey(int key) {
    return key >= 0 && key < std::clamp(gVar.nKeyCount, 0, KEY_COUNT) && g_defKEY[key].dwFunID != 0 &&
           g_defKEY[key].dwMatrixIdx < uint32_t(SIM_MATRIX_SIZE);
}

// A colour value of the per-key command as a colour: bit 0 red, 1 green, 2 blue.
QColor keyColor(uint8_t value) { return QColor(value & 1 ? 255 : 40, value & 2 ? 255 : 40, value & 4 ? 255 : 40); }

QString layerOfBits(uint8_t bits) {
    for (int m = 0; m < 3; ++m)
        if (bits == 1 << m) return QStringLiteral("M%1").arg(m + 1);
    return QStringLiteral("none");
}

QLabel* label(const QString& name, QWidget* parent, bool mono = false) {
    auto* l = new QLabel(parent);
    l->setAccessibleName(name);
    if (mono) l->setProperty("mono", true);
    return l;
}

QPushButton* button(const QString& text, const QString& name, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAccessibleName(name);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

QString yesNo(bool value) { return value ? QStringLiteral("yes") : QStringLiteral("no"); }

}  // namespace

// ---- the key picture ----

SimKeyPicture::SimKeyPicture(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("Simulated keyboard keys"));
    const QString path = getKeyImgPath(gVar.Model);
    if (!path.isEmpty()) picture_ = loadPicture(path);
    if (!picture_.isNull()) {
        pictureSize_ = ImageProcess::pointSize(picture_);
    } else {
        // No picture: the key rectangles alone, on a board as large as they reach.
        int right = 1, bottom = 1;
        for (int k = 0; k < KEY_COUNT; ++k)
            if (isKey(k)) {
                right = std::max(right, int(g_defKEY[k].rcPos.right));
                bottom = std::max(bottom, int(g_defKEY[k].rcPos.bottom));
            }
        pictureSize_ = QSize(right + 4, bottom + 4);
    }
    setFixedSize(sizeHint());
}

QSize SimKeyPicture::sizeHint() const {
    const int width = std::min(kPictureWidth, pictureSize_.width());
    return QSize(width, pictureSize_.height() * width / std::max(pictureSize_.width(), 1));
}

void SimKeyPicture::setState(std::vector<int> changed, std::array<uint8_t, SIM_MATRIX_SIZE> colorByKey) {
    changed_ = std::move(changed);
    colorByKey_ = colorByKey;
    update();
}

std::vector<int> SimKeyPicture::litKeys() const {
    std::vector<int> lit;
    for (int k = 0; k < SIM_MATRIX_SIZE; ++k)
        if (colorByKey_[size_t(k)] != 0) lit.push_back(k);
    return lit;
}

QRectF SimKeyPicture::keyRect(int key) const {
    const _RECT& r = g_defKEY[key].rcPos;
    const qreal sx = qreal(width()) / pictureSize_.width(), sy = qreal(height()) / pictureSize_.height();
    return QRectF(r.left * sx, r.top * sy, (qreal(r.right) - r.left) * sx, (qreal(r.bottom) - r.top) * sy);
}

void SimKeyPicture::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!picture_.isNull()) {
        painter.drawImage(QRectF(rect()), picture_);
    } else {
        painter.fillRect(rect(), QColor(0x2a, 0x2e, 0x37));
        painter.setPen(QColor(0x55, 0x5b, 0x6a));
        for (int k = 0; k < KEY_COUNT; ++k)
            if (isKey(k)) painter.drawRect(keyRect(k).adjusted(1, 1, -1, -1));
    }
    // A lit key gets a light wash and a bar of its colour, so its caption stays readable.
    for (int k = 0; k < SIM_MATRIX_SIZE; ++k) {
        if (colorByKey_[size_t(k)] == 0 || !isKey(k)) continue;
        QColor color = keyColor(colorByKey_[size_t(k)]);
        const QRectF key = keyRect(k);
        painter.fillRect(QRectF(key.left() + 3, key.bottom() - 6, key.width() - 6, 3), color);
        color.setAlpha(60);
        painter.fillRect(key, color);
    }
    painter.setPen(QPen(QColor(0xff, 0x8a, 0x3d), 2));
    painter.setBrush(Qt::NoBrush);
    for (int k : changed_)
        if (isKey(k)) painter.drawRect(keyRect(k).adjusted(1, 1, -1, -1));
}

// ---- the window ----

namespace {
constexpr int kBesideGap = 12;  // between the main window and the keyboard's
}  // namespace

SimKeyboardView::SimKeyboardView(std::shared_ptr<SimKeyboard> sim, QWidget* parent)
    : QWidget(parent), sim_(std::move(sim)), loop_(std::make_unique<QtMainLoop>()) {
    setObjectName(QStringLiteral("SimKeyboardView"));
    setAttribute(Qt::WA_StyledBackground);
    setStyleSheet(QString::fromLatin1(kStyle));
    setWindowTitle(QStringLiteral("keyloom – simulated keyboard"));
    setAccessibleName(QStringLiteral("Simulated keyboard"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 12);
    layout->setSpacing(6);
    layout->addWidget(buildState());
    keyPicture = new SimKeyPicture(this);
    auto* keys =
        new QGroupBox(QStringLiteral("Keys (coloured bar: lit; orange outline: not the factory function)"), this);
    auto* keysLayout = new QVBoxLayout(keys);
    keysLayout->addWidget(keyPicture, 0, Qt::AlignHCenter);
    matrixLabel = label(QStringLiteral("Key matrix"), keys);
    keysLayout->addWidget(matrixLabel);
    layout->addWidget(keys);
    auto* row = new QHBoxLayout;
    row->addWidget(buildKnobTable(), 1);
    row->addWidget(buildMacroSlots(), 1);
    layout->addLayout(row);
    layout->addWidget(buildControls());
    layout->addStretch(1);

    KEYINFO_2_Matrix(g_defKEY, factoryMatrix_.data());
    listener_ = sim_->onChanged(*loop_, [this] { refresh(); });
    refresh();
}

SimKeyboardView::~SimKeyboardView() { sim_->removeChangeListener(listener_); }

QWidget* SimKeyboardView::buildState() {
    auto* box = new QGroupBox(QStringLiteral("Keyboard"), this);
    auto* grid = new QGridLayout(box);
    plugLabel = label(QStringLiteral("Plugged in"), box);
    onlineLabel = label(QStringLiteral("Driver online"), box);
    layerLabel = label(QStringLiteral("Layer"), box);
    lightingLabel = label(QStringLiteral("Lighting"), box);
    grid->addWidget(plugLabel, 0, 0);
    grid->addWidget(onlineLabel, 0, 1);
    grid->addWidget(layerLabel, 0, 2);
    grid->addWidget(lightingLabel, 1, 0, 1, 3);
    return box;
}

QWidget* SimKeyboardView::buildKnobTable() {
    auto* box = new QGroupBox(QStringLiteral("Knob codes (hex)"), this);
    auto* grid = new QVBoxLayout(box);
    grid->setSpacing(1);
    knobLabel = label(QStringLiteral("Knob set"), box);
    grid->addWidget(knobLabel);
    auto* head = label(QStringLiteral("Knob table heading"), box, true);
    head->setText(QStringLiteral("set  direction 0  direction 1"));
    grid->addWidget(head);
    for (int s = 0; s < KNOB_SETS; ++s) {
        knobRows[size_t(s)] = label(QStringLiteral("Knob set %1 codes").arg(s + 1), box, true);
        grid->addWidget(knobRows[size_t(s)]);
    }
    return box;
}

QWidget* SimKeyboardView::buildMacroSlots() {
    auto* box = new QGroupBox(QStringLiteral("Macro slots"), this);
    auto* grid = new QGridLayout(box);
    grid->setVerticalSpacing(1);
    for (int n = 0; n < SIM_MACRO_SLOTS; ++n) {
        macroSlots[size_t(n)] = label(QStringLiteral("Macro slot %1").arg(n), box, true);
        grid->addWidget(macroSlots[size_t(n)], n % 5, n / 5);
    }
    return box;
}

QWidget* SimKeyboardView::buildControls() {
    auto* box = new QGroupBox(QStringLiteral("Act as the keyboard"), this);
    auto* grid = new QGridLayout(box);
    for (int m = 0; m < 3; ++m) {
        btnLayer[size_t(m)] =
            button(QStringLiteral("M%1").arg(m + 1), QStringLiteral("Switch to layer M%1").arg(m + 1), box);
        btnLayer[size_t(m)]->setCheckable(true);  // the keyboard's layer shows checked
        connect(btnLayer[size_t(m)], &QPushButton::clicked, this, [this, m] { sim_->sendLayer(m + 1); });
        grid->addWidget(btnLayer[size_t(m)], 0, m);
    }
    btnKnobOpen = button(QStringLiteral("Open knob chooser"), QStringLiteral("Open the knob chooser"), box);
    btnKnobLeft = button(QStringLiteral("◀ Turn left"), QStringLiteral("Turn the knob left"), box);
    btnKnobRight = button(QStringLiteral("Turn right ▶"), QStringLiteral("Turn the knob right"), box);
    btnKnobConfirm = button(QStringLiteral("Confirm"), QStringLiteral("Confirm the knob set"), box);
    btnUnplug = button(QStringLiteral("Unplug"), QStringLiteral("Unplug the keyboard"), box);
    btnPlug = button(QStringLiteral("Plug in"), QStringLiteral("Plug the keyboard in"), box);
    grid->addWidget(btnUnplug, 0, 3);
    grid->addWidget(btnPlug, 0, 4);
    grid->addWidget(btnKnobOpen, 1, 0, 1, 2);
    grid->addWidget(btnKnobLeft, 1, 2);
    grid->addWidget(btnKnobRight, 1, 3);
    grid->addWidget(btnKnobConfirm, 1, 4);

    connect(btnKnobOpen, &QPushButton::clicked, this, [this] {
        const int sent = sim_->firmware().lighting.knobSet;  // the set number + 1, 0 before any lighting
        if (!sim_->knobOpened()) return;
        chooserSet_ = sent >= 1 && sent <= KNOB_SETS ? sent - 1 : 0;
        refresh();
    });
    connect(btnKnobLeft, &QPushButton::clicked, this, [this] { turnKnob(-1); });
    connect(btnKnobRight, &QPushButton::clicked, this, [this] { turnKnob(1); });
    connect(btnKnobConfirm, &QPushButton::clicked, this, [this] {
        if (sim_->knobConfirmed()) chooserSet_ = -1;
        refresh();
    });
    connect(btnUnplug, &QPushButton::clicked, this, [this] { sim_->unplug(); });
    connect(btnPlug, &QPushButton::clicked, this, [this] { sim_->plug(); });
    return box;
}

void SimKeyboardView::turnKnob(int step) {
    if (chooserSet_ < 0) return;
    const int next = (chooserSet_ + step + KNOB_SETS) % KNOB_SETS;
    if (sim_->knobMoved(next)) chooserSet_ = next;
    refresh();
}

void SimKeyboardView::placeBeside(QWidget& window) {
    const QRect frame = window.frameGeometry();
    if (!programPlacesWindows()) {
        // Wayland places top-level windows itself, often over the main window:
        // here the keyboard's window is docked to the main window's right
        // edge as a pop-up that takes no grab, which the desktop keeps beside it.
        setParent(&window, Qt::ToolTip | Qt::FramelessWindowHint);
        move(window.mapToGlobal(QPoint(window.width() + kBesideGap, 0)));
        return;
    }
    // Right of the window where the screen has room, else left of it, else
    // as far right as the screen allows.
    const QSize size = frameGeometry().size();
    QPoint at(frame.right() + kBesideGap, frame.top());
    if (const QScreen* screen = window.screen()) {
        const QRect room = screen->availableGeometry();
        if (at.x() + size.width() > room.right() + 1) {
            const int left = frame.left() - kBesideGap - size.width();
            at.setX(left >= room.left() ? left : std::max(room.left(), room.right() + 1 - size.width()));
        }
        at.setY(std::clamp(at.y(), room.top(), std::max(room.top(), room.bottom() + 1 - size.height())));
    }
    move(at);
}

void SimKeyboardView::refresh() {
    const bool plugged = sim_->isPlugged();
    if (!plugged) chooserSet_ = -1;  // a keyboard that goes closes its chooser
    plugLabel->setText(QStringLiteral("Plugged in: %1").arg(yesNo(plugged)));
    const SimFirmware fw = sim_->firmware();
    onlineLabel->setText(QStringLiteral("Driver online: %1").arg(yesNo(fw.driverOnline)));
    layerLabel->setText(QStringLiteral("Layer on the keyboard: M%1").arg(sim_->layer()));
    showFirmware(fw);
    updateButtons(plugged);
}

void SimKeyboardView::showFirmware(const SimFirmware& fw) {
    const SimLighting& l = fw.lighting;
    // Every lighting command carries a knob set of at least 1: zero means none came yet.
    if (l.knobSet == 0)
        lightingLabel->setText(QStringLiteral("Lighting: no lighting command received yet"));
    else
        lightingLabel->setText(QStringLiteral("Lighting: mode %1, brightness %2, speed %3, layer %4 (as sent)")
                                   .arg(l.hwMode)
                                   .arg(l.brightness)
                                   .arg(l.speed)
                                   .arg(layerOfBits(l.layerBits)));

    const int selected = l.knobSet >= 1 && l.knobSet <= KNOB_SETS ? l.knobSet - 1 : -1;
    QString knob =
        selected < 0 ? QStringLiteral("Selected set: none") : QStringLiteral("Selected set: %1").arg(selected + 1);
    if (chooserSet_ >= 0) knob += QStringLiteral("   chooser open at %1").arg(chooserSet_ + 1);
    knobLabel->setText(knob);
    for (int s = 0; s < KNOB_SETS; ++s) {
        QLabel* row = knobRows[size_t(s)];
        row->setText(QStringLiteral("%1 %2   %3    %4")
                         .arg(s == selected ? QStringLiteral("▶") : QStringLiteral(" "))
                         .arg(s + 1)
                         .arg(l.knobCode(s, 0), 8, 16, QLatin1Char('0'))
                         .arg(l.knobCode(s, 1), 8, 16, QLatin1Char('0')));
        row->setStyleSheet(s == selected ? QStringLiteral("color: #8fb4ff;") : QString());
    }

    for (int n = 0; n < SIM_MACRO_SLOTS; ++n) {
        const size_t events = fw.macroSlots[size_t(n)].size();
        macroSlots[size_t(n)]->setText(events ? QStringLiteral("%1: %2 events").arg(n).arg(events)
                                              : QStringLiteral("%1: empty").arg(n));
        macroSlots[size_t(n)]->setStyleSheet(events ? QStringLiteral("color: #9be39b;") : QString());
    }

    // Keys are compared with the factory matrix only once a matrix came: an
    // all-zero matrix means none did (every key the program writes has a code).
    const bool matrixSent = std::any_of(fw.keyMatrix.begin(), fw.keyMatrix.end(), [](uint32_t c) { return c != 0; });
    std::vector<int> changed;
    std::array<uint8_t, SIM_MATRIX_SIZE> colors{};
    for (int k = 0; k < KEY_COUNT; ++k) {
        if (!isKey(k)) continue;
        const uint32_t pos = g_defKEY[k].dwMatrixIdx;
        if (matrixSent && fw.keyMatrix[pos] != factoryMatrix_[pos]) changed.push_back(k);
        if (fw.colorTable != 0) colors[size_t(k)] = fw.keyColors[pos];
    }
    matrixLabel->setText(!matrixSent ? QStringLiteral("No key matrix received yet")
                                     : QStringLiteral("Keys not at their factory function: %1").arg(changed.size()));
    keyPicture->setState(std::move(changed), colors);
}

void SimKeyboardView::updateButtons(bool plugged) {
    const int layer = sim_->layer();
    for (int m = 0; m < 3; ++m) {
        btnLayer[size_t(m)]->setChecked(layer == m + 1);
        btnLayer[size_t(m)]->setEnabled(plugged);
    }
    btnKnobOpen->setEnabled(plugged && chooserSet_ < 0);
    for (QPushButton* b : {btnKnobLeft, btnKnobRight, btnKnobConfirm}) b->setEnabled(plugged && chooserSet_ >= 0);
    btnUnplug->setEnabled(plugged);
    btnPlug->setEnabled(!plugged);
}

}  // namespace keyloom
