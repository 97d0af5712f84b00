#pragma once

// Ends the process at once: no window handler, destructor or exit handler runs after this.
[[noreturn]] void endProcessNow();
