// How the program's heap gives memory back. A check parses a page into a tree
// more than once (the page as loaded, then its prepared copy), and each parse
// builds and frees a second tree inside the parser; handing that memory back
// to the system after every parse only to fault it in again at the next costs
// as much time as a large part of the parse.
#pragma once

namespace vex {

// Keeps freed memory (up to a few hundred MB) in the process for reuse, and
// takes even large blocks from the heap. Call once at program start.
void KeepFreedMemoryForReuse();

}  // namespace vex
