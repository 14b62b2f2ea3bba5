#pragma once

#include "capture/ViewFields.h"

#include <map>
#include <string>

// The view's controls as a test sees them: current text and lamp per control id, and how often
// each control was written.
class FakeViewFields : public ViewFields {
public:
    std::map<int, std::u16string> text;
    std::map<int, Led> leds;
    std::map<int, int> writes;

    void SetText(int id, const std::u16string& value) override {
        text[id] = value;
        ++writes[id];
    }
    void SetInt(int id, int value) override {
        const std::string digits = std::to_string(value);
        text[id] = std::u16string(digits.begin(), digits.end());
        ++writes[id];
    }
    void SetLed(int id, Led image) override {
        leds[id] = image;
        ++writes[id];
    }
    std::string Text(int id) const {
        const auto it = text.find(id);
        if (it == text.end())
            return {};
        std::string narrow;
        for (const char16_t c : it->second)
            narrow += static_cast<char>(c);
        return narrow;
    }
};
