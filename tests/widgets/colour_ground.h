// Ground of the colour chooser tests: the shipped pictures and English texts,
// and a colour cell whose changes are counted.
#pragma once
#include <gtest/gtest.h>

#include "config/language.h"
#include "ui/ColorGridView.h"
#include "widgets/assignment_ground.h"

namespace keyloom::test {

class ChangeCounter : public ColorGridCheckDelegate {
public:
    void onColorGridCheck(bool, ColorGridView*) override {}
    void onColorGridChanged(ColorGridView*) override { ++changes; }
    int changes = 0;
};

inline void useShippedConfigInEnglish() {
    useShippedConfig();
    ASSERT_GE(languageIndex("en"), 0);
    SwitchLanguage(languageIndex("en"));
}

// A colour cell in parent at geometry whose changes counter counts.
inline ColorGridView* countedCell(QWidget* parent, QRect geometry, ChangeCounter& counter) {
    auto* cell = new ColorGridView(parent);
    cell->setGeometry(geometry);
    cell->check_delegate = &counter;
    return cell;
}

}  // namespace keyloom::test
