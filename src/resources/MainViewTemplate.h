#pragma once

#include "gui/DialogTemplate.h"

// Template 101: the main view's form.
const DialogTemplate& MainViewTemplate();
