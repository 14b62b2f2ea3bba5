#pragma once

#include <string>

// Modal message boxes with the caption "Tapline Brisk". A box with only an OK button carries the
// exclamation icon unless told otherwise; questions have Yes and No, No being the default.
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgIcon { Exclamation, Question, Information, None };
enum class MsgAnswer { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

struct MsgStyle {
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::Exclamation;
    int defaultButton = 0; // index of the default button: 0 first, 1 second, 2 third

    static MsgStyle OkBox() { return {}; }
    static MsgStyle Question() { return {MsgButtons::YesNo, MsgIcon::Question, 1}; }
};

class MessageBoxService {
public:
    virtual ~MessageBoxService() = default;
    virtual MsgAnswer Show(const std::u16string& text, MsgStyle style = {}) = 0;
};
