// Making an arbitrary 8-bit text safe to write to a terminal.
#pragma once

#include <string>
#include <string_view>

namespace tovrel {

// Returns `text` with everything a terminal would act on made visible: C0
// controls other than newline and tab in caret notation ("^[", "^M"), DEL as
// "^?", and C1 controls and bytes that are not valid UTF-8 as "\xNN". Valid
// UTF-8 passes through unchanged.
std::string VisibleTerminalText(std::string_view text);

}  // namespace tovrel
