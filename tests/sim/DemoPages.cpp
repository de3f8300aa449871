#include "sim/DemoPages.h"

#include <zlib.h>

#include <stdexcept>

namespace pw::sim {

std::string HtmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string BodyWithPictures(const DemoArticle& article) {
    std::string body = article.body;
    for (const auto& picture : article.pictures) {
        body += "\n<p><img src=\"" + picture.url + "\" alt=\"\" /></p>";
    }
    return body;
}

void RoutePictures(ServiceSimulator& simulator, const DemoArticle& article) {
    for (const auto& picture : article.pictures) {
        const size_t path = picture.url.find('/', 7);
        if (picture.url.compare(0, 7, "http://") != 0 || path == std::string::npos) continue;
        simulator.Route(picture.url.substr(7, path - 7), picture.url.substr(path),
                        Response::Text(picture.bytes, "image/png"));
    }
}

std::string QueryValue(const std::string& query, const std::string& name) {
    size_t start = 0;
    while (start <= query.size()) {
        size_t end = query.find('&', start);
        if (end == std::string::npos) end = query.size();
        const std::string pair = query.substr(start, end - start);
        if (pair.compare(0, name.size() + 1, name + "=") == 0) return pair.substr(name.size() + 1);
        start = end + 1;
    }
    return {};
}

std::string Deflate(std::string_view data, int windowBits, int level) {
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    if (rc != Z_STREAM_END) throw std::runtime_error("deflate failed");
    return out;
}

}  // namespace pw::sim
