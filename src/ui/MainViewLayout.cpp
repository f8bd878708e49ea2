// Building the main window's content: its controls at their frames, the
// lighting panel, the key map and the dialogs, and its own drawing.
#include <QFileDialog>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>

#include "config/gvar.h"
#include "config/language.h"
#include "device/apply.h"
#include "ui/ColorPickView.h"
#include "ui/LedView.h"
#include "ui/MacroView.h"
#include "ui/MainView.h"
#include "ui/MsgView.h"
#include "ui/PickFuncView.h"
#include "ui/RulesView.h"
#include "ui/Skin.h"
#include "ui/SrView.h"
#include "widgets/CaptionView.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/PngButton.h"
#include "widgets/ProgressView.h"
#include "widgets/TextDraw.h"

namespace keyloom {

namespace {

// The header holds the exit and help buttons. The window picture has the
// colour band under its header, so they sit that much higher than in a window
// without it; everything below the band keeps its place from the bottom edge.
constexpr qreal kBandLift = LedView4417::kColourBandHeight;
constexpr QPointF kExitAt{850, 605 + kBandLift};
constexpr QPointF kHelpAt{818, 605 + kBandLift};

constexpr QRectF kLanguageChooser{790, 570, 100, 20};
constexpr QRectF kRestore{39, 32, 72, 34};
constexpr QRectF kOk{422, 85, 71, 33};
constexpr QRectF kCancel{496, 85, 72, 33};
constexpr QRectF kApply{570, 85, 100, 33};
constexpr QRectF kMacro{622, 524, 122, 31};
constexpr QRectF kModes[3] = {{225, 524, 143, 31}, {372, 524, 122, 31}, {497, 524, 122, 31}};
constexpr QRectF kSetChooser{56, 140, 164, 25};
constexpr qreal kNewWidth = 40, kDeleteWidth = 60, kRenameWidth = 50, kSetButtonHeight = 18;
constexpr qreal kSetButtonGap = 5;
constexpr qreal kExchangeWidth = 20;
// The rules button, on the chooser's title line at its right end.
constexpr qreal kRulesWidth = 64, kRulesGap = 4;
constexpr QRectF kLink{400, 30, 220, 20};
constexpr QRectF kLightingPanel{43, 196, 190, 307};
// The divider between the lighting panel and the key table chooser, and a
// point of the left card's border, whose colour it takes.
constexpr QRectF kSetDivider{45, 190, 186, 1};
constexpr QPointF kLeftCardBorder{31.5, 500.5};  // picture points, top-left
// The keyboard's state and the data folder, on the header beside the brand
// mark: distance of their top edge from the window's top, and their lines.
constexpr qreal kCaptionTop = 12, kCaptionHeight = 20;
constexpr qreal kStateX = 52, kStateWidth = 190;
constexpr qreal kFolderX = 250, kFolderWidth = 550;
constexpr qreal kFollowingX = 130, kFollowingY = 40, kFollowingWidth = 740;
const QColor kConnectedDot(0, 200, 140), kSimulatedDot(230, 170, 40), kMissingDot(220, 80, 70);


// A plate picture of any size (points) from a small button picture, at that
// picture's scale: the corners kept, the edges and the middle stretched, so
// the rounding stays round.
QImage stretchPlate(const QImage& source, QSize size, int corner) {
    if (source.isNull()) return {};
    QImage out = newPicture(size, int(source.devicePixelRatio()));
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize from = ImageProcess::pointSize(source);
    const int sw = from.width(), sh = from.height(), w = size.width(), h = size.height();
    const int xs[] = {0, corner, sw - corner, sw}, ys[] = {0, corner, sh - corner, sh};
    const int xd[] = {0, corner, w - corner, w}, yd[] = {0, corner, h - corner, h};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawImage(QRect(xd[col], yd[row], xd[col + 1] - xd[col], yd[row + 1] - yd[row]), source,
                        ImageProcess::pixelRect(source, QRect(xs[col], ys[row], xs[col + 1] - xs[col],
                                                              ys[row + 1] - ys[row])));
    return out;
}

// A text button that draws its own plate, for buttons the window may hide:
// the window picture has no plate under them.
PngButton* newPlateButton(QWidget* parent, const QRectF& frame, const ButtonAction& click) {
    const QImage plate = stretchPlate(loadSkinImage(QStringLiteral("btn2_nr.png")),
                                      QSize(int(frame.width()), int(frame.height())), 5);
    return newPngButton(nullptr, parent, uiSkin(), plate, plate, plate, false, frame, QRectF(), get_font(11), {},
                        click);
}

}  // namespace

MainView::Pictures MainView::decodePictures() {
    Pictures pictures;
    // The pressed window only gives the mode buttons their pressed parts; its
    // pixels then take the window picture, so no more memory is touched.
    QImage pressed = loadPictureOver({}, skinPath(QStringLiteral("main_dn.png")));
    for (int i = 0; i < 3; ++i) pictures.pressedModes[size_t(i)] = ImageProcess::copyImage(pressed, kModes[i]);
    pictures.window = loadPictureOver(std::move(pressed), skinPath(QStringLiteral("main_nr.png")));
    for (int i = 0; i < 3; ++i) pictures.modes[size_t(i)] = ImageProcess::copyImage(pictures.window, kModes[i]);
    return pictures;
}

MainView::MainView(Dev6120* link, QWidget* parent) : QWidget(parent), knob_(link) {
    hideApplication = [this] { window()->hide(); };
    // Ctrl+Q on every desktop (the platform's Quit sequence is empty where its key scheme has none).
    auto* quitKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quitKey->setContext(Qt::ApplicationShortcut);  // also from the simulated keyboard's window
    connect(quitKey, &QShortcut::activated, this, [this] { requestQuit(); });
    chooseExchangeFile = [this](bool save, const QString& suggested) {
        const QString filter = uiText("tc_keypro_filter") + QStringLiteral(" (*.duk)");
        return save ? QFileDialog::getSaveFileName(this, uiText("tc_keypro_export"), suggested, filter)
                    : QFileDialog::getOpenFileName(this, uiText("tc_keypro_import"), QString(), filter);
    };
    pictures_ = decodePictures();
    imgNr = pictures_.window;
    // The window is its picture, which does not stretch: a tiling desktop floats it at this size.
    setFixedSize(ImageProcess::pointSize(imgNr));
    if (!parent) {
        // The window is its picture: no frame, and the desktop shows past its rounded corners.
        setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_TranslucentBackground);
    }
    textStyleDict = panelTextStyle(TextAlign::Left);
    applies_.setKeyboardPresent(link && link->GetDeviceHandle());  // no apply runs yet
    LoadSkins();
}

MainView::~MainView() {
    if (msParam && msParam->target == this) msParam->target = nullptr;
    if (setMenu_) {
        setMenu_->outdelegate = nullptr;
        setMenu_->closeMenu();
    }
    // The pop-up must not report to a window that is being taken apart.
    if (popWindow_) delete popWindow_.data();
    delete macroView.built();  // it shows macros_, which goes before the window's children
    if (mainView == this) mainView = nullptr;
}

void MainView::LoadSkins() {
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createWindowButtons(click);
    createModeButtons(click);
    createSetControls(click);
    createPanels();
    createCaptions();
    // Keys may call macros: the list is read with the window, the editor comes later.
    macros_.ReloadMacroList();
    createDialogs();
    onRefreshText();
}

void MainView::createWindowButtons(const ButtonAction& click) {
    const WidgetSkin skin = uiSkin();
    const QString exit = QStringLiteral("exit_nr.png"), help = QStringLiteral("help_nr.png");
    btnExit = newPngButton2(nullptr, this, skin, exit, exit, exit, false, QRectF(kExitAt, QSizeF()), {}, click);
    btnHelp = newPngButton2(nullptr, this, skin, help, help, help, false, QRectF(kHelpAt, QSizeF()), {}, click);
    btnHelp->hide();

    btnText = newTextComboBtn(this, skin, false, {}, click, kLanguageChooser);
    for (int i = 0; i < LANG_COUNT && gVar.Lang[i].szName[0] != '\0'; ++i)
        btnText->AddString(QString::fromUtf8(gVar.Lang[i].szName, qstrnlen(gVar.Lang[i].szName, LANG_TEXT_SIZE)), i);
    btnText->bNotifyAtValueChanged = true;
    btnText->SetCurSel(LoadLanguage());

    btnRestroe = newTextButton(this, skin, false, {}, click, kRestore);
    btnOk = newTextButton(this, skin, false, {}, click, kOk);
    btnCancel = newTextButton(this, skin, false, {}, click, kCancel);
    btnApply = newTextButton(this, skin, false, {}, click, kApply);
    btnMacro = newTextButton(this, skin, false, {}, click, kMacro);
    btnWeb = newTextButton(this, skin, false, {}, click, kLink);
    btnWeb->isWebLink = true;
}

void MainView::createModeButtons(const ButtonAction& click) {
    static const char* const names[3] = {"M1", "M2", "M3"};
    for (int i = 0; i < 3; ++i) {
        const QImage& normal = pictures_.modes[size_t(i)];
        btnPro[i] = newPngButton(nullptr, this, uiSkin(), normal, normal, pictures_.pressedModes[size_t(i)], true,
                                 kModes[i], QRectF(), std::nullopt, QString::fromLatin1(names[i]), click);
    }
}

void MainView::createSetControls(const ButtonAction& click) {
    const QString combo = QStringLiteral("combo_nr.png");
    btnKeyPro = newPngButton2(nullptr, this, uiSkin(), combo, combo, combo, false, kSetChooser, {}, click);
    btnKeyPro->setTextAlignment(8);
    btnKeyPro->setCaptionEnd(22);  // the drop-down arrow
    const qreal y = kSetChooser.y() - kSetChooser.height() - 1;
    btnNew = newPlateButton(this, QRectF(kSetChooser.x(), y, kNewWidth, kSetButtonHeight), click);
    btnDel = newPlateButton(this, QRectF(btnNew->Right() + kSetButtonGap, y, kDeleteWidth, kSetButtonHeight), click);
    btnRename =
        newPlateButton(this, QRectF(btnDel->Right() + kSetButtonGap, y, kRenameWidth, kSetButtonHeight), click);
    btnExchange =
        newPlateButton(this, QRectF(btnRename->Right() + kSetButtonGap, y, kExchangeWidth, kSetButtonHeight), click);
    btnExchange->setCaption(QStringLiteral("…"));
    const QRectF rules(kSetChooser.right() - kRulesWidth, kSetChooser.bottom() + 3, kRulesWidth, kSetButtonHeight);
    btnRules = newPlateButton(this, rules, click);
    btnRules->hide();  // until there are rules to edit
    if (gVar.ShowProfile == 0) {
        for (PngButton* control : {btnKeyPro, btnNew, btnDel, btnRename, btnExchange}) control->hide();
    }
}

void MainView::createPanels() {
    kbView = new KbColorView(this);
    kbView->LoadSkins();
    const QSize picture = ImageProcess::pointSize(kbView->keyPicture());
    setFrame(kbView, QRectF(gVar.rcKB.x, gVar.rcKB.y, picture.width(), picture.height()));
    kbView->setKeyRectsFromTable(g_defKEY);
    kbView->clrHasFun = gVar.ClrKeyHasFunc;
    kbView->clrCurOn = gVar.ClrKeyOv;
    kbView->delegate = this;

    ledView = new LedView4417(this, kLightingPanel);
    ledView->LoadSkins();
    ledView->setKbView(kbView);
    if (ledView->gridColor[0]) ledView->gridColor[0]->delegate = this;
}

void MainView::createCaptions() {
    const WidgetSkin skin = uiSkin();
    const qreal y = height() - kCaptionTop - kCaptionHeight;
    keyboardState = new CaptionView(this, skin, QRectF(kStateX, y, kStateWidth, kCaptionHeight));
    // A path is told apart from another by both ends: it is cut in the middle.
    dataFolderCaption = new CaptionView(this, skin, QRectF(kFolderX, y, kFolderWidth, kCaptionHeight), Qt::ElideMiddle);
    dataFolderCaption->hide();
    // In the foot, right of Restore.
    followingCaption = new CaptionView(this, skin, QRectF(kFollowingX, kFollowingY, kFollowingWidth, kCaptionHeight));
    followingCaption->hide();
}

void MainView::setSimulatedKeyboard(bool simulated) {
    applies_.setSimulated(simulated);
    refreshKeyboardState();
}

void MainView::onLinkChanged(const HidDeviceRef& dev) {
    applies_.setKeyboardPresent(dev != nullptr);
    refreshKeyboardState();
    if (watchers.keyboardChanged) watchers.keyboardChanged(dev != nullptr);
}

void MainView::refreshKeyboardState() {
    const KeyboardState state = applies_.keyboardState();
    keyboardState->setText(uiText(applies_.keyboardStateText()));
    keyboardState->setDot(state == KeyboardState::Missing     ? kMissingDot
                          : state == KeyboardState::Simulated ? kSimulatedDot
                                                              : kConnectedDot);
}

void MainView::setDataFolder(const QString& path) {
    dataFolder_ = path;
    refreshDataFolder();
}

void MainView::refreshDataFolder() {
    const QString title = uiText("tc_title");
    setWindowTitle(dataFolder_.isEmpty() ? title : title + QStringLiteral(" — ") + dataFolder_);
    dataFolderCaption->setVisible(!dataFolder_.isEmpty());
    dataFolderCaption->setText(QString::fromStdString(FormatText("tc_data_folder", {dataFolder_.toStdString()})));
    // The whole path, even where the caption shows all of it.
    dataFolderCaption->setToolTip(dataFolder_);
}

void MainView::showFollowing(int layer, const QString& table, const QString& app) {
    following_ = {layer, table, app};
    refreshFollowing();
}

QString MainView::followingText() const {
    if (following_.layer < 0) return {};
    return QString::fromStdString(FormatText("tc_follow_active", {LayerName(following_.layer),
                                                                  following_.table.toStdString(),
                                                                  following_.app.toStdString()}));
}

void MainView::refreshFollowing() {
    const QString text = followingText();
    followingCaption->setVisible(!text.isEmpty());
    followingCaption->setText(text);
    followingCaption->setToolTip(text);
}

void MainView::createDialogs() {
    hideView = new HideView(this);
    hideView->setGeometry(rect());
    hideView->hide();
    // Each is built on its first use (they build their texts in the language of then).
    funPickView.setBuild([this] { return new PickFuncView(this); });
    srView.setBuild([this] { return new SrView(this); });
    progressView.setBuild([this] {
        auto* panel = new ProgressView(this, uiSkin());
        panel->LoadSkins();
        centreInParent(panel);
        return panel;
    });
    msgView.setBuild([this] { return new MsgView(this); });
    macroView.setBuild([this] { return new MacroView(this, macros_); });
    colorPickView.setBuild([this] { return new ColorPickView(this); });
    rulesView.setBuild([this] {
        auto* dialog = new RulesView(this);
        dialog->setRules(rules_.rules, rules_.edited, rules_.runningApps);
        dialog->setStatus(rules_.status);
        dialog->setFollowing(rules_.following, rules_.turnFollowing);
        return dialog;
    });
}

void MainView::onRefreshText() {
    update();
    ledView->onRefreshText();
    btnApply->setCaption(uiText("tc_apply"));
    btnRestroe->setCaption(uiText("tc_restore"));
    btnOk->setCaption(uiText("tc_ok"));
    btnCancel->setCaption(uiText("tc_cancel"));
    btnMacro->setCaption(uiText("tc_page2"));
    btnNew->setCaption(uiText("tc_msg18"));
    btnDel->setCaption(uiText("tc_msg19"));
    btnRename->setCaption(uiText("tc_macro_msg20"));
    btnExchange->setHint(uiText("tc_keypro_exchange"));
    btnExchange->setLabel(uiText("tc_keypro_exchange"));
    btnRules->setCaption(uiText("tc_rules_button"));
    btnRules->setHint(uiText("tc_rules_title"));
    btnExit->setLabel(uiText("tc_exit"));
    btnHelp->setLabel(uiText("tc_title"));
    btnKeyPro->setHint(uiText("tc_protitle"));
    kbView->setAccessibleName(uiText("tc_keymap"));
    const QString link = uiText("tc_web");
    btnWeb->setCaption(link);
    btnWeb->setVisible(!link.isEmpty());
    refreshKeyboardState();
    refreshDataFolder();
    refreshFollowing();
    if (MsgView* dialog = msgView.built()) dialog->onRefreshText();
    if (PickFuncView* dialog = funPickView.built()) dialog->onRefreshText();
    if (MacroView* dialog = macroView.built()) dialog->onRefreshText();
    if (SrView* dialog = srView.built()) dialog->onRefreshText();
    if (ColorPickView* dialog = colorPickView.built()) dialog->onRefreshText();
    if (RulesView* dialog = rulesView.built()) dialog->onRefreshText();
}

QRectF MainView::chooserTitleRect() const {
    const QRectF chooser = frameOf(btnKeyPro);
    // Beside the rules button when it shows.
    const qreal x = chooser.x() + 1;
    const qreal width = btnRules->isHidden() ? 164 : frameOf(btnRules).x() - kRulesGap - x;
    return QRectF(x, chooser.y() + chooser.height() + 2, width, 20);
}

void MainView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawImage(QRectF(rect()), imgNr);
    if (btnKeyPro->isHidden()) return;
    painter.fillRect(flipRect(kSetDivider, height()),
                     ImageProcess::colorAtPoint(imgNr, kLeftCardBorder).value_or(QColor(Qt::transparent)));
    myDrawText(painter, uiText("tc_protitle"), textStyleDict, chooserTitleRect(), height());
}

}  // namespace keyloom
