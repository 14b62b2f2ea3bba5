#pragma once

#include "view/DocumentView.h"
#include "view/ViewDocument.h"

// The setup document as the view sees it. Open does to the view what the document does once a
// setup file has been read: the view is reset, the file's record becomes the setup and its
// reference copy, and the view applies it.
class FakeViewDocument : public ViewDocument {
public:
    int pendingOpens = 0; // OpenPendingFile calls

    void OpenPendingFile() override { ++pendingOpens; }
    void Open(const SetupRecord& record) {
        View->ResetView();
        Setup = record;
        SavedSetup = record;
        View->ApplySetup();
    }
};
