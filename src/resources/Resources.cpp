#include "resources/Resources.h"

#include <QtGlobal>

static void InitBriskResources() {
    Q_INIT_RESOURCE(resources);
}

void InitResources() {
    static const bool done = (InitBriskResources(), true);
    (void)done;
}
