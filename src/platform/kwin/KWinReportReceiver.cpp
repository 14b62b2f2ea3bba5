#include "KWinReportReceiver.h"

void KWinReportReceiver::Expect(const QString& token) {
    const std::lock_guard lock(mutex_);
    token_ = token;
    text_.reset();
}

std::optional<QString> KWinReportReceiver::Wait(std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    arrived_.wait_for(lock, limit, [this] { return text_.has_value(); });
    std::optional<QString> text = std::move(text_);
    text_.reset();
    token_.clear();
    return text;
}

void KWinReportReceiver::Report(const QString& token, const QString& text) {
    {
        const std::lock_guard lock(mutex_);
        if (token.isEmpty() || token != token_)
            return;
        text_ = text;
    }
    arrived_.notify_all();
}
