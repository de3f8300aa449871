#pragma once
// The article page's logic: the engines, the tree, and the job that one press of
// "一键下载制作成书" runs (list, download, build, deliver). Front ends show it and
// forward the user's actions; everything that touches the page's state runs on
// the UI thread, reached by the job's threads through synchronous sends.

#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "book/BookFormats.h"
#include "engine/BlogBase.h"
#include "engine/Host.h"
#include "job/ArticleTree.h"

namespace pw {

// The page's messages, with their window message values.
enum PageMessage {
    WM_TREE_RESET = 1025,
    WM_LIST_DONE = 1026,
    WM_PREPARE_FOLDERS = 1027,
    WM_ARTICLES_DONE = 1028,
    WM_BOOK_DONE = 1030,
};

class CArticlePage {
public:
    CArticlePage();
    explicit CArticlePage(std::vector<std::unique_ptr<CBlogBase>> engines);
    // Waits for the job's threads; destroy the page only when it is idle.
    ~CArticlePage();
    CArticlePage(const CArticlePage&) = delete;
    CArticlePage& operator=(const CArticlePage&) = delete;

    // --- UI thread ---
    // The start button: begins the job for the address (code page 936). Ignored
    // unless the page is idle.
    void OnStartButton(const std::string& address);
    // The user expanded or collapsed a book item.
    void OnItemExpanded(int item, bool expanded);
    // The page is closing: frees the article records and empties the tree.
    void OnClose();
    // Runs a page message's handler (the receiving end of SendPageMessage).
    void HandleMessage(int message);

    // --- any thread ---
    // Synchronous send of a page message: returns when the UI thread has handled it.
    void SendPageMessage(int message);

    PageState State() const { return m_state; }
    bool StartEnabled() const { return m_state == PageState::Idle; }
    CArticleTree& Tree() { return m_treeArticles; }
    CBlogBase* CurrentEngine() const { return m_pCurEngine; }
    const std::vector<std::unique_ptr<CBlogBase>>& Engines() const { return m_vecEngines; }

    // Where books are delivered (default: the user's desktop) and where job
    // folders are made (default: the settings' program folder).
    void SetDesktopDir(std::string dir) { m_strDesktopDir = std::move(dir); }
    void SetJobRoot(std::string dir) { m_strJobRoot = std::move(dir); }
    const std::string& JobRoot() const { return m_strJobRoot; }
    // Workers for the next job; below 0 means "take threadcnt from the settings".
    void SetWorkerCount(int count) { m_nWorkerCount = count; }
    // Workers of the running job, fixed when it started.
    int WorkerCount() const;

    // The example shown in the address box.
    static std::string ExampleAddress();

    // The books this job makes (taken from the settings when the job starts),
    // and what the book thread made of them.
    BookFormats m_formats;
    std::atomic<bool> m_bBookCompiled{false};
    std::atomic<bool> m_bEpubWritten{false};
    // The books the last job put on the desktop.
    const std::vector<std::string>& DeliveredBooks() const { return m_vecDelivered; }

    std::string m_strAddress;
    std::map<std::string, int> m_mapCategories;
    int m_hRootItem = 0;
    CBlogBase* m_pCurEngine = nullptr;

private:
    friend int ListThreadProc(CArticlePage* page);
    friend int OnArticleListed(ArticleInfo* article, void* page);

    // Message handlers.
    void OnTreeReset();
    void OnListDone();
    void PrepareJobFolders();
    void OnArticlesDone();
    void DeliverBook();

    void FreeRecords(int item);
    void SetState(PageState state);
    void Finish(const std::string& book);
    static void JoinThread(std::thread& thread);

    std::vector<std::unique_ptr<CBlogBase>> m_vecEngines;
    CArticleTree m_treeArticles;
    PageState m_state = PageState::Idle;
    std::string m_strDesktopDir;
    std::string m_strJobRoot;
    int m_nWorkerCount = -1;
    int m_nJobWorkers = 0;
    std::vector<std::string> m_vecDelivered;
    std::thread m_listThread;
    std::thread m_coordinatorThread;
    std::thread m_bookThread;
};

// The page's threads and the engines' callback.
int ListThreadProc(CArticlePage* page);
int OnArticleListed(ArticleInfo* article, void* page);

}  // namespace pw
