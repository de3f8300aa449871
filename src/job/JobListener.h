#pragma once
// How a job reports to its front end. The job calls these from its own threads,
// one call at a time; none of them may wait for a person or for the front
// end's own thread (a window queues them to its thread).

#include <string>

#include "job/TreeChange.h"

namespace pw {

struct JobResult;

enum class JobState { Idle, Listing, Downloading, Building };

class JobListener {
public:
    virtual ~JobListener() = default;

    // The job's progress for the status line.
    virtual void OnStatus(const std::string& /*text*/) {}
    virtual void OnTreeChanged(const TreeChange& /*change*/) {}
    virtual void OnStateChanged(JobState /*state*/) {}
    // An article was handled: articles begun so far of all the job's articles,
    // and the title of the one just done.
    virtual void OnArticleProgress(int /*done*/, int /*total*/, const std::string& /*title*/) {}
    // Something the user must be told, as it happens; the result holds them
    // all again, but for an article's failure, which its missing article says.
    virtual void OnMessage(const std::string& /*text*/) {}
    // A line of the book compiler's own output; a window shows
    // it on its status line, a terminal only when asked to.
    virtual void OnCompilerLine(const std::string& /*line*/) {}
    // The last call of a job.
    virtual void OnFinished(const JobResult& /*result*/) {}
};

}  // namespace pw
