#pragma once

#include <QTextBrowser>

// The program's help: one HTML topic per context number, shipped inside the program.
class HelpWindow : public QTextBrowser {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);
    // Shows the topic of a context number (the main topic when there is none for it).
    void ShowTopic(int context);
    int Topic() const { return topic_; }

private:
    int topic_ = 0;
};
