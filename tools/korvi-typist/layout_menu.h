// The language-bar menu entry through which korvi-typist selects a layout, so that the service
// stores and applies it the way a user's choice would.
#pragma once

#include <optional>

#include "tools/keynotation/key_notation.h"

namespace korvi::typist {

// The submenu entry (11..18) of a layout as korvi-type names it; nothing for layout 6, which has
// no entry.
std::optional<unsigned> LayoutMenuEntry(notation::LayoutChoice layout);

}  // namespace korvi::typist
