#pragma once

// Checks the monitor on the server can run too: a "must be found" keyword for a step, so that a
// failed login or a refused save that answers 200 with a page of its own is caught.

#include "seen_page.h"

#include <string>
#include <string_view>
#include <vector>

namespace waytrace {

// Long enough to tell a page by, short enough to read in the list.
inline constexpr std::size_t kSuggestedLength = 60;

// A phrase of what the user saw on a step's page that the pages of its neighbours do not show:
// its title where that is distinctive, else its first line that no neighbour shows, cut at a
// word's end. Only a phrase `replayText` (what the replay of the same step got, as the monitor
// searches it) holds is suggested: one only a script put on the page would fire every time.
// Empty when there is none.
std::u16string suggestedCheck(const SeenPage& seen, const std::vector<const SeenPage*>& neighbours,
                              std::u16string_view replayText);

} // namespace waytrace
