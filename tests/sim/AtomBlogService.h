#pragma once
// A blog with an Atom feed archived as RFC 5005 describes: the home page names
// the feed with <link rel="alternate" type="application/atom+xml">, the feed
// holds the newest entries and points by rel="prev-archive" to archive
// documents, which point on to older ones. One post was revised after it was
// archived: its first version stays in the archive, the revised one (same id,
// later updated) heads the current feed.

#include <string>

#include "sim/FeedBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

inline constexpr const char* kAtomHost = "atom.pagewell.test";

// 17 posts in UTC-5, five to a document; the eighth newest was revised.
FeedBlog MakeAtomBlog();
inline constexpr size_t kAtomRevisedPost = 7;
// The revised post's first title, which must not reach the book.
std::string AtomDraftTitle(const FeedPost& post);

// Registers the blog; returns its home address.
std::string AddAtomBlog(ServiceSimulator& simulator, const FeedBlog& blog);

std::string AtomPostUrl(const FeedBlog& blog, const FeedPost& post);

}  // namespace pw::sim
