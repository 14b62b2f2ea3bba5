#pragma once

#include <string>

// The lamp images of the main view.
enum class Led { DarkRed, DarkGreen, Red, Yellow, Green };

// The main view's controls as the capture machinery sees them, by control id.
class ViewFields {
public:
    virtual ~ViewFields() = default;
    virtual void SetText(int id, const std::u16string& text) = 0;
    // Signed decimal, as the form's number fields show it.
    virtual void SetInt(int id, int value) = 0;
    virtual void SetLed(int id, Led image) = 0;
};
