// The skinned button: push, check (tab-like or tick box), text-only and link
// buttons, drawn from up to three images and/or a caption. The release that
// follows a press always fires the action; check buttons never toggle
// themselves, their owner does.
#pragma once
#include <QFont>
#include <QImage>
#include <QWidget>
#include <functional>
#include <optional>

#include "widgets/WidgetSkin.h"

namespace keyloom {

class PngButton;

// The click receiver: the owner's handler, called with the button.
using ButtonAction = std::function<void(PngButton*)>;

// Optional hover observer of a button.
class ButtonHoverDelegate {
public:
    virtual ~ButtonHoverDelegate() = default;
    virtual void onMouseInButton(int itemData, PngButton* sender) = 0;
    virtual void onMouseOutButton(int itemData, PngButton* sender) = 0;
};

class PngButton : public QWidget {
public:
    explicit PngButton(QWidget* parent = nullptr);

    // Loads the three images by file path.
    void setImageNr(const QString& nr, const QString& ov, const QString& dn);
    // Takes three images; a source rectangle with a width or height cuts each
    // one to that part (bottom-left origin).
    void setImageNr(const QImage& nr, const QImage& ov, const QImage& dn, const QRectF& source);

    void setCheck(bool check);
    bool getCheck() const { return bCheck; }
    void setCaption(const QString& caption);
    // A tooltip of the owner's (for a button without a caption, or one whose
    // caption fits); a caption too long for the button shows in full instead.
    void setHint(const QString& hint);
    // The name a screen reader gives a button that draws no caption (a tick
    // box named by a label beside it, an empty field). The accessible name is
    // the caption, else this label, else the hint.
    void setLabel(const QString& label);
    QString label() const { return label_; }
    QString caption() const { return title; }
    void setItemData(int value) { itemData = value; }
    int getItemData() const { return itemData; }
    // The caption's colours and font and the layout outline, from a skin.
    void setSkin(const WidgetSkin& skin);
    const WidgetSkin& skin() const { return skin_; }
    // Caption colours of this button's own, in place of the skin's.
    void setTextColor(const ButtonTextColours& colours);
    void setIcon(const QImage& icon, int offset);
    void setTitleFont(std::optional<QFont> font);
    // 0 centre; n > 0 left edge n points in; -n right edge n points in.
    void setTextAlignment(int alignment);
    // Points kept free at the caption's far end (a drop-down's arrow), or at
    // both ends of a centred caption. A caption longer than the room left is
    // cut with "…" and shown whole as the tooltip.
    void setCaptionEnd(int points);
    // The caption as drawn: cut with "…" when it does not fit.
    QString shownCaption() const;

    int Right() const;   // frame x + width
    int Bottom() const;  // frame y + height (the edge away from the origin)
    bool isMouseOver() const { return _mouseOver; }
    bool isMouseDown() const { return _mouseDown; }

    void setAction(ButtonAction action) { action_ = std::move(action); }
    bool hasAction() const { return bool(action_); }
    void setDelegate(ButtonHoverDelegate* delegate) { delegate_ = delegate; }

    bool isCheckBtn = false;
    bool isWebLink = false;
    bool isDebug = false;
    int flagData = 0;
    void* itemPointer = nullptr;

    const QImage& imageNr() const { return imageBkgNr; }
    const QImage& imageOv() const { return imageBkgOv; }
    const QImage& imageDn() const { return imageBkgDn; }
    // The image drawn in the current state (may be null).
    const QImage& currentImage() const;
    // Where the caption is drawn (top-left origin), for the current title.
    QPointF captionPosition() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

    // What a release does: the owner's action with this button. ComboBtn adds its menu.
    virtual void onRelease();
    void sendAction();

private:
    QFont captionFont() const;
    QColor captionColor() const;
    qreal captionRoom() const;
    void updateTooltip();
    void updateAccessibleName();

    QImage imageBkgNr, imageBkgOv, imageBkgDn;
    bool _mouseDown = false;
    bool _mouseOver = false;
    bool bCheck = false;
    QString title;
    QString hint;
    QString label_;
    WidgetSkin skin_;
    std::optional<QFont> titleFont;  // none: the skin's font
    int textAlignment = 0;
    int captionEnd_ = 0;
    QImage imgIcon;
    int nIconX = 0;
    int itemData = 0;
    ButtonAction action_;
    ButtonHoverDelegate* delegate_ = nullptr;
};

// Factories: each button is placed at frame (bottom-left origin) in parent,
// drawn with the skin and wired to action (may be empty).
// existing: configure that button instead of creating one.
PngButton* newPngButton(PngButton* existing, QWidget* parent, const WidgetSkin& skin, const QImage& nr,
                        const QImage& ov, const QImage& dn, bool isCheck, const QRectF& frame, const QRectF& source,
                        std::optional<QFont> titleFont, const QString& title, ButtonAction action);
// Images by skin file name; a frame width of 0 or less takes the normal image's size.
PngButton* newPngButton2(PngButton* existing, QWidget* parent, const WidgetSkin& skin, const QString& nr,
                         const QString& ov, const QString& dn, bool isCheck, const QRectF& frame,
                         const QString& title, ButtonAction action);
PngButton* newTextButton(QWidget* parent, const WidgetSkin& skin, bool isCheck, const QString& title,
                         ButtonAction action, const QRectF& frame);

}  // namespace keyloom
