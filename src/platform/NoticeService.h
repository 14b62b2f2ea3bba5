#pragma once

#include <string>

// What a notice is about. Each kind has at most one notice on the screen: a newer one of the same
// kind replaces it.
enum class NoticeKind { Receiver, WaitingLines, NotTyped, DeliveryFault };

// Tells the operator what happened while capture runs, without taking the keyboard focus from the
// application he types into: the main window's status bar and one desktop notification per kind.
// Modal message boxes stay for answers to commands the operator gave.
class NoticeService {
public:
    virtual ~NoticeService() = default;
    // Shows a notice; the same text posted again while its notice is up is folded into it with a
    // count instead of being stacked.
    virtual void Post(NoticeKind kind, const std::u16string& summary,
                      const std::u16string& body) = 0;
    // The matter is over: the kind's notification is taken away and the status bar no longer
    // shows it.
    virtual void Withdraw(NoticeKind kind) = 0;
};
