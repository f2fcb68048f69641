// A bound on how deep the elements of a page nest. The tree construction
// looks through the open elements at most tags, so a page of 100,000 nested
// DIVs took the parser minutes; browsers bound the depth the same way.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vex::html {

// Deeper than this, elements become siblings of the innermost open one.
inline constexpr std::size_t kMaxNestingDepth = 512;

// Nothing when the page stays within `maxDepth` open elements (every usual
// page). Otherwise the page with an end tag put before each start tag that
// would open one element too many, for the innermost open element, so that
// the new element becomes its sibling. The open elements are followed as the
// tree construction would for the common cases (void elements, end tags,
// list items, table cells and paragraphs that end by themselves, raw text,
// comments, self-closing tags in SVG and MathML); where it guesses wrong, the
// guess only moves the point at which elements become siblings.
std::optional<std::string> BoundNesting(std::string_view page,
                                        std::size_t maxDepth = kMaxNestingDepth);

}  // namespace vex::html
