#pragma once
// What an engine gets from the job it works for: the job's HTTP session, the
// status line, the messages the user is shown at the end, whether the job is
// stopping, and the job's picture store. Calls come from the job's threads; an
// implementation must take them from several workers at once.

#include <string>

namespace pw {

class HttpSession;
class PictureStore;

class SiteContext {
public:
    virtual ~SiteContext() = default;

    virtual HttpSession& Http() = 0;
    // Progress for the status line.
    virtual void Status(const std::string& text) = 0;
    // Something the user must be told; the job collects it.
    virtual void Message(const std::string& text) = 0;
    // A remark on the blog's content that belongs in the report (a post left
    // out, a post kept only as its summary); a message as well.
    virtual void Note(const std::string& text) { Message(text); }
    virtual bool Stopping() const = 0;
    // Where an article's pictures go; null keeps them remote.
    virtual PictureStore* Pictures() = 0;
};

}  // namespace pw
