#pragma once
// The download job: the job list, its counters, the pause gate and the threads
// that download every article of the tree.

#include <atomic>
#include <vector>

#include "app/Event.h"
#include "job/TreeEntry.h"

namespace pw {

class CArticlePage;

// Job states set by the pause, continue and stop commands.
enum DownState { kDownRunning = 0, kDownPaused = 1, kDownStopped = 2 };

extern std::vector<TreeEntry> g_vecTreeEntries;
extern std::atomic<int> g_nNextEntry;
extern std::atomic<int> g_nStartedCount;
extern std::atomic<int> g_nDownState;
extern CEvent g_evtDownGate;

// Hands out each job-list entry exactly once across all workers.
bool TakeNextEntry(TreeEntry* entry);

// A job begins (the start button): stop commands from now on end this job.
void MarkJobStart();

// The tree's items in pre-order (UI thread).
std::vector<TreeEntry> FlattenTree(const class CArticleTree& tree);

int DownloadCoordinatorProc(CArticlePage* page);
int DownloadWorkerProc(CArticlePage* page);

// Menu commands; accepted at any time.
void OnPauseDownload();
void OnContinueDownload();
void OnStopDownload();

}  // namespace pw
