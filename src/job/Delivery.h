#pragma once
// The end of a job that made its books: they go to the desktop, what is
// missing is counted, the report is written when something is missing or the
// downloads are kept, and the folder goes when everything arrived.

#include <functional>
#include <string>

#include "engine/BlogBase.h"
#include "job/BookStep.h"
#include "job/JobOptions.h"
#include "job/JobResult.h"

namespace pw {

class JobFolder;
class TaskPlan;

struct Delivery {
    const BookStepResult& books;
    const TaskPlan& plan;
    const JobOptions& options;
    JobFolder& folder;
    const BlogBase& engine;  // the blog's account, name and home address
    bool stopped = false;    // the job was stopped: its books may lack articles
    int picturesKeptRemote = 0;
};

// Completes the result so far (messages, listing state, resumed articles) with
// the books and what is missing; a book delivered under another name adds a
// message. status hears of a compiler failure.
JobResult Deliver(const Delivery& delivery, JobResult result,
                  const std::function<void(const std::string&)>& status);

}  // namespace pw
