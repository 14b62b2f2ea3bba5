#pragma once

#include "platform/KeyboardInjector.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Records every Inject call as one batch of events and every TypeCharacters call as one text.
class FakeKeyboardInjector : public KeyboardInjector {
public:
    struct Event {
        std::uint16_t keyCode;
        std::uint16_t scanCode;
        std::uint32_t flags;
        friend bool operator==(const Event&, const Event&) = default;
    };
    using Batch = std::vector<Event>;

    bool available = true;
    std::vector<Batch> batches;
    std::vector<std::u32string> texts;
    bool typingWorks = true; // what TypeCharacters answers
    std::u16string failure;  // LastFailure after a batch that was not typed
    std::u16string refusal;  // what BeginTyping answers
    int beginCalls = 0;
    std::function<void()> whileAsking; // what happens while the desktop asks the operator

    std::u16string BeginTyping() override {
        ++beginCalls;
        if (whileAsking)
            whileAsking();
        return refusal;
    }
    std::u16string LastFailure() const override { return typingWorks ? u"" : failure; }

    bool Available() const override { return available; }
    void Inject(const std::uint16_t* keyCodes, const std::uint16_t* scanCodes,
                const std::uint32_t* flags, std::size_t count) override {
        Batch batch;
        for (std::size_t i = 0; i < count; ++i)
            batch.push_back({keyCodes[i], scanCodes[i], flags[i]});
        batches.push_back(batch);
    }
    bool TypeCharacters(const std::u32string& text) override {
        texts.push_back(text);
        return typingWorks;
    }

    static Event Press(std::uint16_t scanCode) { return {0, scanCode, KeyPressFlags}; }
    static Event Release(std::uint16_t scanCode) { return {0, scanCode, KeyReleaseFlags}; }
};
