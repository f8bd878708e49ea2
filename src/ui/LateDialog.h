// A dialog of the window that is built the first time it is needed and kept
// from then on: a start pays only for what the window shows.
#pragma once
#include <functional>
#include <utility>

namespace keyloom {

template <class Dialog>
class LateDialog {
public:
    // How the dialog is built, as a child of the widget that owns it.
    void setBuild(std::function<Dialog*()> build) { build_ = std::move(build); }
    // The dialog, built now when it was not yet.
    Dialog* get() {
        if (!dialog_) dialog_ = build_();
        return dialog_;
    }
    Dialog* operator->() { return get(); }
    // The dialog if it was built, else null: for what a dialog never built
    // cannot have (being shown, unsaved work, texts to refresh).
    Dialog* built() const { return dialog_; }
    bool shown() const { return dialog_ && dialog_->isVisible(); }

private:
    std::function<Dialog*()> build_;
    Dialog* dialog_ = nullptr;  // a child of its owner, which deletes it
};

}  // namespace keyloom
