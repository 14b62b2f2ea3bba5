#pragma once

// The view as the setup document uses it. The main view implements it.
class DocumentView {
public:
    virtual ~DocumentView() = default;

    // A new setup: the default record, and the view as at start-up.
    virtual void ResetView() = 0;
    // A setup file has been read: the view takes on its "set at file open" fields.
    virtual void ApplySetup() = 0;
    // The setup is about to be replaced while readings wait for its target file: the operator
    // chooses to let them wait or to save them elsewhere.
    virtual void AskAboutWaitingLines() = 0;
};
