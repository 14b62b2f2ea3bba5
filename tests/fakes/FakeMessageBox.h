#pragma once

#include "platform/MessageBoxService.h"

#include <deque>
#include <string>
#include <vector>

// Records every message shown and answers from a script (OK, or the default button, when the
// script is empty).
class FakeMessageBox : public MessageBoxService {
public:
    struct Shown {
        std::u16string text;
        MsgStyle style;
    };
    std::vector<Shown> shown;
    std::deque<MsgAnswer> answers;

    MsgAnswer Show(const std::u16string& text, MsgStyle style = {}) override {
        shown.push_back({text, style});
        if (!answers.empty()) {
            const MsgAnswer a = answers.front();
            answers.pop_front();
            return a;
        }
        switch (style.buttons) {
        case MsgButtons::Ok:
            return MsgAnswer::Ok;
        case MsgButtons::YesNo:
            return style.defaultButton == 0 ? MsgAnswer::Yes : MsgAnswer::No;
        case MsgButtons::YesNoCancel:
            return style.defaultButton == 0   ? MsgAnswer::Yes
                   : style.defaultButton == 1 ? MsgAnswer::No
                                              : MsgAnswer::Cancel;
        }
        return MsgAnswer::Ok;
    }
};
