#pragma once

#include "setup/SetupRecord.h"

class DocumentView;

// The setup document as the view uses it: the live setup record and its reference copy, the way
// back to the view, and a setup file asked for before the view existed. The setup document
// implements it.
class ViewDocument : public SetupRecords {
public:
    virtual ~ViewDocument() = default;

    DocumentView* View = nullptr; // set by the view at its first showing

    // Reads the setup file that was asked for before the view existed, if there was one.
    virtual void OpenPendingFile() = 0;
};
