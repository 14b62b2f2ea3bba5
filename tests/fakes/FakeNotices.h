#pragma once

#include "platform/NoticeService.h"

#include <map>
#include <string>
#include <vector>

// Records every notice posted and which kinds are up now.
class FakeNotices : public NoticeService {
public:
    struct Posted {
        NoticeKind kind;
        std::u16string summary;
        std::u16string body;
    };
    std::vector<Posted> posted;
    std::map<NoticeKind, std::u16string> shown; // body of each kind on the screen now

    void Post(NoticeKind kind, const std::u16string& summary, const std::u16string& body) override {
        posted.push_back({kind, summary, body});
        shown[kind] = body;
    }
    void Withdraw(NoticeKind kind) override { shown.erase(kind); }

    int Count(NoticeKind kind) const {
        int n = 0;
        for (const Posted& p : posted)
            n += p.kind == kind ? 1 : 0;
        return n;
    }
    std::u16string Shown(NoticeKind kind) const {
        const auto it = shown.find(kind);
        return it == shown.end() ? std::u16string() : it->second;
    }
};
