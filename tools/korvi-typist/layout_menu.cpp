#include "tools/korvi-typist/layout_menu.h"

namespace korvi::typist {

std::optional<unsigned> LayoutMenuEntry(notation::LayoutChoice layout) {
  if (layout.layoutNumber == 1 && !layout.tamil99Rules)
    return 13u;  // MOE-Singapore: Tamil-99 with its rules off
  // The submenu's order: Korvi, Tamil-99, (MOE-Singapore), Velona-6, Velona-7, Old TW, New TW,
  // Mylai.
  constexpr unsigned kEntryOfLayout[] = {11, 12, 15, 18, 17, 16, 0, 14};
  const unsigned entry = kEntryOfLayout[layout.layoutNumber & 7];
  if (entry == 0)
    return std::nullopt;
  return entry;
}

}  // namespace korvi::typist
