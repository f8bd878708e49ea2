#include "ui/RulesView.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <optional>

#include "base/texts.h"
#include "config/language.h"
#include "model/st_keypro.h"
#include "ui/Skin.h"
#include "widgets/ComboBtn.h"
#include "widgets/Frame.h"
#include "widgets/HideView.h"
#include "widgets/ImageProcess.h"
#include "widgets/PngButton.h"
#include "widgets/TextDraw.h"
#include "widgets/TextField.h"

namespace keyloom {

namespace {

// Frames, bottom-left origin. The list lies in the picture's well, the
// editor on its card, OK on the footer band ("rules_nr.png").
const QRectF kTitle(20, RulesView::HEIGHT - 28, RulesView::WIDTH - 80, 20);
const QRectF kStatus(20, 348, 468, 30);  // two lines
const QRectF kList(20, 234, 468, 108);
const QRectF kLayer(20, 172, 84, 25);
const QRectF kTable(114, 172, 164, 25);
const QRectF kApp(20, 122, 188, 25);
const QRectF kPick(218, 122, 270, 25);
constexpr qreal kButtonsX = 20, kButtonsY = 76, kButtonGap = 8;
constexpr qreal kButtonsEnd = 264;  // clear of the refusal beside them
const QRectF kRefusal(272, 60, 216, 46);  // beside Add, Change and Remove
constexpr QPointF kOkAt(RulesView::WIDTH - 96, 10);
constexpr qreal kCaptionPadding = 12;  // room beside a caption that widens its button
constexpr int kComboArrow = 27;        // the drop-down picture's arrow, kept whole when narrowed

// The drop-down picture at another width: its ends kept, its middle stretched.
QImage comboPicture(int width) {
    const QImage source = loadSkinImage(QStringLiteral("combo_nr.png"));
    if (source.isNull()) return {};
    const QSize from = ImageProcess::pointSize(source);
    QImage out = newPicture(QSize(width, from.height()), int(source.devicePixelRatio()));
    QPainter p(&out);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const int left = 6, right = kComboArrow, h = from.height();
    const int xs[] = {0, left, from.width() - right, from.width()};
    const int xd[] = {0, left, width - right, width};
    for (int part = 0; part < 3; ++part)
        p.drawImage(QRect(xd[part], 0, xd[part + 1] - xd[part], h), source,
                    ImageProcess::pixelRect(source, QRect(xs[part], 0, xs[part + 1] - xs[part], h)));
    return out;
}

ComboBtn* newChooser(QWidget* parent, const QRectF& frame, const ButtonAction& click) {
    auto* chooser = new ComboBtn(parent);
    const QImage picture = comboPicture(int(frame.width()));
    newPngButton(chooser, parent, uiSkin(), picture, picture, picture, false, frame, QRectF(), std::nullopt, {},
                 click);
    chooser->setTextAlignment(8);
    chooser->setCaptionEnd(kComboArrow);
    return chooser;
}

// A control that can be used now or not, and looks it: greyed captions.
void showUsable(PngButton* control, bool usable) {
    control->setEnabled(usable);
    const ButtonTextColours normal = uiSkin().button;
    const QColor grey = normal.normal.darker(170);
    control->setTextColor(usable ? normal : ButtonTextColours{grey, grey, grey});
}

QLabel* newWrappedLabel(QWidget* parent, std::optional<QColor> colour, const QRectF& frame) {
    QLabel* label = newTextView(parent, uiSkin(), colour, frame);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setWordWrap(true);
    return label;
}

// A reason as a sentence of its own.
QString sentence(const Reason& why) {
    QString text = QString::fromStdString(ReasonText(why));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    return text;
}

}  // namespace

RulesView::RulesView(QWidget* owner) : DialogPanel(owner, WIDTH, HEIGHT) {
    createControls();
    onRefreshText();
}

void RulesView::createControls() {
    const WidgetSkin skin = uiSkin();
    const ButtonAction click = [this](PngButton* sender) { btnClick(sender); };
    createFrameControls(QStringLiteral("rules_nr.png"), QPointF(WIDTH - 40, HEIGHT - 27), kOkAt, kButtonGap, click);
    btnCancel->hide();  // every change is kept as it is made: nothing to cancel

    lblStatus = newWrappedLabel(this, std::nullopt, kStatus);
    lblStatus->hide();
    listRules = newOutlineView(this, skin, &rows_, true, kList);
    // One row per rule: no folders, so no room for their arrows.
    listRules->setRootIsDecorated(false);
    listRules->setIndentation(0);
    lblNoRules = newTextView(this, skin, std::nullopt, kList.adjusted(20, 20, -20, -20));
    lblNoRules->setWordWrap(true);

    btnLayer = newChooser(this, kLayer, click);
    for (int layer = 0; layer < 3; ++layer) btnLayer->AddString(QString::fromStdString(LayerName(layer)), layer);
    btnLayer->SetCurSel(0);
    btnTable = newChooser(this, kTable, click);
    fieldApp = newEdit(this, skin, [this](MyTextFieldCell*) { showRefusal({}); }, kApp);
    fieldApp->setLimits(0, int(kFocusRuleAppMax));
    fieldApp->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);  // in line with the choosers' captions
    btnPick = newChooser(this, kPick, click);

    const QString button = QStringLiteral("btn2_nr.png");
    for (PngButton** made : {&btnAdd, &btnChange, &btnRemove})
        *made = newPngButton2(nullptr, this, skin, button, button, button, false, QRectF(kButtonsX, kButtonsY, 0, 0),
                              {}, click);
    // In the footer, left of OK: a box ticked while following is on, named by its label.
    const QString box = QStringLiteral("check_nr.png");
    btnFollow = newPngButton2(nullptr, this, skin, box, QStringLiteral("check_ov.png"), QStringLiteral("check_dn.png"),
                              true, QRectF(kButtonsX, 0, 0, 0), {}, click);
    setFrame(btnFollow, QRectF(kButtonsX, kOkAt.y() + (btnOk->height() - btnFollow->height()) / 2, btnFollow->width(),
                               btnFollow->height()));
    btnFollow->hide();
    lblRefusal = newWrappedLabel(this, kRefusalColour, kRefusal);
    lblRefusal->hide();
    fillTables(0, {}, true);
    refreshEditButtons();
}

void RulesView::setFollowing(bool on, std::function<void(bool)> turn) {
    turnFollowing_ = std::move(turn);
    btnFollow->setCheck(on);
    btnFollow->setVisible(bool(turnFollowing_));
}

void RulesView::setRules(FocusRules* rules, std::function<void()> edited,
                         std::function<std::vector<std::string>()> runningApps) {
    rules_ = rules;
    edited_ = std::move(edited);
    runningApps_ = std::move(runningApps);
    reloadRules();
}

void RulesView::setStatus(const QString& text) {
    lblStatus->setText(text);
    lblStatus->setToolTip(text);
    lblStatus->setAccessibleName(text);
    lblStatus->setVisible(!text.isEmpty());
}

void RulesView::onRefreshText() {
    refreshFrameTexts();
    btnAdd->setCaption(uiText("tc_rule_add"));
    btnChange->setCaption(uiText("tc_rule_change"));
    btnRemove->setCaption(uiText("tc_rule_remove"));
    btnFollow->setLabel(uiText("tc_follow_toggle"));
    layoutButtons();
    btnLayer->setLabel(uiText("tc_rule_layer"));
    btnTable->setLabel(uiText("tc_protitle"));
    fieldApp->setAccessibleName(uiText("tc_rule_app"));
    btnPick->setLabel(uiText("tc_rule_pick"));
    listRules->setAccessibleName(uiText("tc_rules_list"));
    lblNoRules->setText(uiText("tc_rules_none"));
    lblNoRules->setAccessibleName(lblNoRules->text());
    fillRunningApps();
    showRows();
    update();
}

void RulesView::layoutButtons() {
    // As wide as the picture, or as the caption needs (French, Russian).
    const QFontMetricsF metrics(get_font());
    qreal x = kButtonsX;
    for (PngButton* control : {btnAdd, btnChange, btnRemove}) {
        const qreal width = std::max<qreal>(76, std::ceil(metrics.horizontalAdvance(control->caption()) + kCaptionPadding));
        setFrame(control, QRectF(x, kButtonsY, std::min(width, kButtonsEnd - x), frameOf(control).height()));
        x += width + kButtonGap;
    }
}

void RulesView::setVisible(bool visible) {
    if (visible && isHidden()) {
        reloadRules();
        // What the file held and the rules could not: said before an edit rewrites the file without it.
        const std::vector<Reason> none;
        const std::vector<Reason>& troubles = rules_ ? rules_->loadTroubles() : none;
        QString text = troubles.empty() ? QString() : sentence(troubles.front());
        if (troubles.size() > 1) text += QStringLiteral(" (+%1)").arg(troubles.size() - 1);
        showRefusal(text);
    }
    DialogPanel::setVisible(visible);
}

void RulesView::reloadRules() {
    fillTables(btnLayer->getItemData(), chosenTable(), false);
    fillRunningApps();
    showRows();
}

void RulesView::fillTables(int layer, const std::string& keep, bool orFirst) {
    while (btnTable->GetCount() > 0) btnTable->DeleteString(0);
    int chosen = -1;
    for (int i = 0; const _ST_KEYPRO* set = get_keypro_by_index(i, layer); ++i) {
        const std::string name = keypro_name(*set);
        btnTable->AddString(QString::fromStdString(name), i);
        if (name == keep) chosen = i;
    }
    if (chosen < 0 && orFirst && btnTable->GetCount() > 0) chosen = 0;
    btnTable->SetCurSel(chosen);
}

void RulesView::fillRunningApps() {
    while (btnPick->GetCount() > 0) btnPick->DeleteString(0);
    const std::vector<std::string> apps = runningApps_ ? runningApps_() : std::vector<std::string>{};
    for (size_t i = 0; i < apps.size(); ++i) btnPick->AddString(QString::fromStdString(apps[i]), int(i));
    btnPick->SetCurSel(-1);
    // The chooser says what it offers; with nothing to offer it says so and takes no clicks.
    btnPick->setCaption(uiText(apps.empty() ? "tc_rule_no_apps" : "tc_rule_pick"));
    showUsable(btnPick, !apps.empty());
}

void RulesView::rulesChanged() { showRows(); }

void RulesView::showRows() {
    // The chosen rule by what it says: its row may have moved.
    const int selected = selectedRule();
    const std::optional<FocusRule> chosen =
        selected >= 0 && size_t(selected) < shown_.size() ? std::optional(shown_[size_t(selected)]) : std::nullopt;
    rows_.clear();
    shown_ = rules_ ? rules_->rules() : std::vector<FocusRule>{};
    const std::vector<FocusRule>& rules = shown_;
    for (size_t i = 0; i < rules.size(); ++i) {
        const FocusRule& rule = rules[i];
        const std::string caption = FormatText("tc_rule_row", {LayerName(rule.layer), rule.table, rule.app});
        outlineviewData* row = rows_.addItem(outlineviewData::make(caption, 0, i));
        if (FocusRules::broken(rule)) row->unusable = "tc_rule_broken";
    }
    listRules->reloadData();
    lblNoRules->setVisible(rules.empty());
    // The rule stays selected; what the editor holds stays too.
    keepEditor_ = true;
    if (chosen) selectRow(int(std::find(rules.begin(), rules.end(), *chosen) - rules.begin()));
    keepEditor_ = false;
    refreshEditButtons();
}

void RulesView::selectRow(int index) {
    const outlineviewData* row =
        index >= 0 && size_t(index) < rows_.array.size() ? rows_.array[size_t(index)].get() : nullptr;
    listRules->selectItem(row);
}

int RulesView::selectedRule() const {
    const outlineviewData* item = listRules ? listRules->getSeletedObject() : nullptr;
    return item ? int(item->nItemData) : -1;
}

std::string RulesView::chosenTable() const {
    return btnTable->GetCurSel() >= 0 ? btnTable->caption().toStdString() : std::string();
}

FocusRule RulesView::editedRule() const {
    FocusRule rule;
    rule.layer = btnLayer->getItemData();
    rule.table = chosenTable();
    rule.app = fieldApp->text().trimmed().toStdString();
    return rule;
}

void RulesView::refreshEditButtons() {
    const bool selected = selectedRule() >= 0;
    showUsable(btnAdd, rules_ != nullptr);
    showUsable(btnChange, selected);
    showUsable(btnRemove, selected);
}

void RulesView::onItemClicked(outlineviewData* item, MyOutlineView*) {
    refreshEditButtons();
    if (keepEditor_ || !item || !rules_ || item->nItemData >= rules_->rules().size()) return;
    const FocusRule& rule = rules_->rules()[size_t(item->nItemData)];
    btnLayer->SetCurSel(rule.layer);
    // A table that is gone leaves the chooser empty: the rule needs another.
    fillTables(btnLayer->getItemData(), rule.table, false);
    fieldApp->setText(QString::fromStdString(rule.app));
    showRefusal({});
}

void RulesView::btnClick(PngButton* sender) {
    if (sender == btnExit || sender == btnOk) return close();
    if (sender == btnFollow) {
        btnFollow->setCheck(!btnFollow->getCheck());
        if (turnFollowing_) turnFollowing_(btnFollow->getCheck());
        return;
    }
    if (sender == btnLayer) {
        // Told before its menu opens and after a choice: the tables follow the layer chosen.
        fillTables(btnLayer->getItemData(), chosenTable(), true);
        showRefusal({});
    } else if (sender == btnTable) {
        showRefusal({});
    } else if (sender == btnPick) {
        // Before the menu opens the list is read again; a choice fills the field.
        if (btnPick->GetCurSel() < 0) {
            fillRunningApps();
            return;
        }
        fieldApp->setText(btnPick->caption());
        btnPick->SetCurSel(-1);
        btnPick->setCaption(uiText("tc_rule_pick"));
        fieldApp->setFocus(Qt::OtherFocusReason);
    } else if (!rules_) {
        return;
    } else if (sender == btnAdd) {
        const int added = int(rules_->rules().size());  // the new rule's row
        edited(rules_->add(editedRule()), added);
    } else if (sender == btnChange && selectedRule() >= 0) {
        const int index = selectedRule();
        edited(rules_->replace(size_t(index), editedRule()), index);
    } else if (sender == btnRemove && selectedRule() >= 0) {
        edited(rules_->remove(size_t(selectedRule())), -1);
    }
}

void RulesView::edited(const Reason& why, int selectRowAfter) {
    if (!why.empty()) {
        // Refused: nothing changed; the reason stays until the next edit.
        showRefusal(sentence(why));
        return;
    }
    showRefusal({});
    showRows();
    // Add selects the new rule, Change keeps its row, Remove leaves none.
    if (selectRowAfter >= 0) selectRow(selectRowAfter);
    refreshEditButtons();
    if (edited_) edited_();
}

void RulesView::showRefusal(const QString& text) {
    if (refusal_ == text) return;
    refusal_ = text;
    lblRefusal->setText(text);
    lblRefusal->setAccessibleName(text);
    lblRefusal->setToolTip(text);  // whole, should a path make it longer than its lines
    lblRefusal->setVisible(!text.isEmpty());
}

void RulesView::close() {
    hideWithOverlay();
}

QWidget* RulesView::initialFocus() {
    return fieldApp;
}

void RulesView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawBackground(painter);
    const TextStyle left = panelTextStyle(TextAlign::Left);
    myDrawText(painter, uiText("tc_rules_title"), left, kTitle, height());
    myDrawText(painter, uiText("tc_rule_layer"), left, get_up_text_rect(btnLayer, 0), height());
    myDrawText(painter, uiText("tc_protitle"), left, get_up_text_rect(btnTable, 0), height());
    myDrawText(painter, uiText("tc_rule_app"), left, get_up_text_rect(fieldApp, 0), height());
    if (!btnFollow->isHidden()) {
        const QFontMetricsF metrics(left.font);
        const QString label = btnFollow->label();
        myDrawText(painter, label, left, get_right_text_rect(btnFollow, int(std::ceil(metrics.horizontalAdvance(label)))),
                   height());
    }
}

void showRulesView(HideView* overlay, RulesView* dialog) {
    if (!dialog) return;
    dialog->viewHide = overlay;
    showOverOverlay(overlay, dialog);
}

}  // namespace keyloom
