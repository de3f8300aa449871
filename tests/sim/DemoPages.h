#pragma once
// Pieces the simulated services share when they turn a DemoBlog into pages.

#include <string>
#include <string_view>

#include "sim/DemoBlog.h"
#include "sim/ServiceSimulator.h"

namespace pw::sim {

// The text with "&", "<" and ">" as entities, as a service writes it into HTML.
std::string HtmlText(const std::string& text);

// The article's body followed by one <img> tag per picture.
std::string BodyWithPictures(const DemoArticle& article);

// Serves the article's pictures from their hosts.
void RoutePictures(ServiceSimulator& simulator, const DemoArticle& article);

// The raw value of name in a query ("a=1&b=2"), empty when absent.
std::string QueryValue(const std::string& query, const std::string& name);

// data compressed with zlib's deflate: windowBits 31 gives a gzip stream, 15 a
// zlib-wrapped one, -15 raw deflate; level 9 unless told.
std::string Deflate(std::string_view data, int windowBits = 31, int level = 9);

}  // namespace pw::sim
