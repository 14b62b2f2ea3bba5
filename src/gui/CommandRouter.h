#pragma once

#include <QHash>
#include <QObject>
#include <functional>
#include <vector>

class QAction;

// The state an update handler gives a command: menu entries and toolbar buttons follow it.
struct CommandUi {
    bool enabled = true;
    bool checked = false;
};

// One place that handles commands (the view, the document, the frame, the application).
class CommandTarget {
public:
    void OnCommand(int id, std::function<void()> handler) { handlers_[id] = std::move(handler); }
    void OnUpdate(int id, std::function<void(CommandUi&)> update) {
        updates_[id] = std::move(update);
    }

private:
    friend class CommandRouter;
    QHash<int, std::function<void()>> handlers_;
    QHash<int, std::function<void(CommandUi&)>> updates_;
};

// Routes a command id to the first target in routing order that handles it, and keeps the
// actions of every command enabled and checked by the update handlers. A command that no target
// handles is disabled.
class CommandRouter : public QObject {
    Q_OBJECT
public:
    explicit CommandRouter(QObject* parent = nullptr) : QObject(parent) {}

    // Targets in routing order: view, document, frame, application.
    void SetTargets(std::vector<CommandTarget*> targets) { targets_ = std::move(targets); }
    // The action of a command: triggering it routes the command. Made on first use.
    QAction* Action(int id);
    bool HasHandler(int id) const;
    // Runs the command; false when no target handles it or it is disabled.
    bool Execute(int id);
    CommandUi State(int id) const;
    // Brings every action in line with its update handler.
    void UpdateAll();

private:
    std::vector<CommandTarget*> targets_;
    QHash<int, QAction*> actions_;
};
