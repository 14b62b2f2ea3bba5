#include "gui/CommandRouter.h"

#include <QAction>

QAction* CommandRouter::Action(int id) {
    if (QAction* a = actions_.value(id))
        return a;
    auto* a = new QAction(this);
    a->setData(id);
    connect(a, &QAction::triggered, this, [this, id] { Execute(id); });
    actions_.insert(id, a);
    return a;
}

bool CommandRouter::HasHandler(int id) const {
    for (const CommandTarget* t : targets_)
        if (t->handlers_.contains(id))
            return true;
    return false;
}

CommandUi CommandRouter::State(int id) const {
    CommandUi ui;
    ui.enabled = HasHandler(id);
    for (const CommandTarget* t : targets_) {
        if (auto it = t->updates_.find(id); it != t->updates_.end()) {
            it.value()(ui);
            break;
        }
    }
    if (!HasHandler(id))
        ui.enabled = false;
    return ui;
}

bool CommandRouter::Execute(int id) {
    if (!State(id).enabled)
        return false;
    for (CommandTarget* t : targets_) {
        if (auto it = t->handlers_.find(id); it != t->handlers_.end()) {
            const auto handler = it.value(); // the handler may change the tables
            handler();
            UpdateAll();
            return true;
        }
    }
    return false;
}

void CommandRouter::UpdateAll() {
    for (auto it = actions_.begin(); it != actions_.end(); ++it) {
        const CommandUi ui = State(it.key());
        QAction* a = it.value();
        // Runs after every tick: touch an action only when its state changes.
        if (a->isEnabled() != ui.enabled)
            a->setEnabled(ui.enabled);
        if (a->isCheckable() && a->isChecked() != ui.checked)
            a->setChecked(ui.checked);
    }
}
