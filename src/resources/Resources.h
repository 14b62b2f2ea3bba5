#pragma once

// Makes the program's built-in files (help topics, desktop entry, mime type) available; they
// live in a static library, whose resources must be registered by hand. Safe to call repeatedly.
void InitResources();
