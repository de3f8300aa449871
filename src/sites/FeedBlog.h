#pragma once
// Any blog with a feed: a WordPress site through its REST interface, a Blogger
// blog through its posts feed, or any Atom or RSS 2.0 feed the typed address
// is, names or keeps under a usual name. Takes every http and https address no
// other engine took, so it comes last.

#include <memory>
#include <string>
#include <vector>

#include "engine/BlogBase.h"

namespace pw {

// otherServices: the domains of the services other engines read; their
// addresses are theirs even when those engines refuse them.
std::unique_ptr<BlogBase> MakeFeedBlog(SiteContext& site, std::vector<std::string> otherServices);

}  // namespace pw
