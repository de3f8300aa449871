#pragma once

namespace pw {

// Caps the allocator's per-thread arenas; called once at the start of a
// program, before its first thread. glibc gives a thread that meets a busy
// arena an arena of its own (up to eight per core), and memory freed there
// stays there: a job's workers on a busy machine left a third more resident
// memory than the heap held. Two arenas cost the workers, which mostly wait
// for the network, no measurable time.
void LimitAllocatorArenas();

}  // namespace pw
