#pragma once

namespace pw {

// Caps the allocator's per-thread arenas; called once at the start of a
// program, before its first thread. glibc gives a thread that meets a busy
// arena an arena of its own (up to eight per core), and memory freed there
// stays there: a job's workers on a busy machine left a third more resident
// memory than the heap held. Two arenas cost the workers, which mostly wait
// for the network, no measurable time.
void LimitAllocatorArenas();

// Hands the pages that freed memory left in the arenas back to the system.
// The allocator keeps them, scattered between blocks still in use, for later
// allocations; after a step that freed much of what it built (the listing's
// pages, a book of 100,000 articles) they would only add to what the program
// holds while the next step, or the book compiler beside it, grows.
void ReturnFreeMemory();

}  // namespace pw
